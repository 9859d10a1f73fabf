// A child's output as lines, bounded: at most kKeptBytes are kept; the rest
// is dropped and counted, and reported once per run.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace panelaid {

class OutputLines {
public:
    static constexpr std::size_t kKeptBytes = 1 << 20;

    // report: called once, when the first byte is dropped.
    explicit OutputLines(std::function<void()> report = {}) : report_(std::move(report)) {}

    void Clear();
    void Append(const char* data, std::size_t n);
    // The last line without its newline.
    void Finish();

    std::size_t Left() const { return lines_.size() - next_; }
    // The next unread line (it counts as read); "" when none is left.
    const std::string& Next();
    std::size_t DroppedBytes() const { return dropped_; }

private:
    std::function<void()> report_;
    std::deque<std::string> lines_;
    std::size_t next_ = 0;
    std::string partial_;
    std::size_t kept_ = 0;
    std::size_t dropped_ = 0;
    std::string none_;
};

}  // namespace panelaid
