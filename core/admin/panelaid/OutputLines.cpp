#include "OutputLines.h"

#include <algorithm>

namespace panelaid {

void OutputLines::Clear() {
    lines_.clear();
    next_ = 0;
    partial_.clear();
    kept_ = 0;
    dropped_ = 0;
}

void OutputLines::Append(const char* data, std::size_t n) {
    const std::size_t room = kKeptBytes - kept_;
    const std::size_t take = std::min(n, room);
    if (take < n) {
        if (dropped_ == 0 && report_) report_();
        dropped_ += n - take;
    }
    kept_ += take;
    for (std::size_t i = 0; i < take; ++i) {
        if (data[i] == '\n') {
            if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
            lines_.push_back(std::move(partial_));
            partial_.clear();
        } else {
            partial_ += data[i];
        }
    }
}

void OutputLines::Finish() {
    if (partial_.empty()) return;
    if (partial_.back() == '\r') partial_.pop_back();
    lines_.push_back(std::move(partial_));
    partial_.clear();
}

const std::string& OutputLines::Next() {
    if (next_ >= lines_.size()) return none_;
    return lines_[next_++];
}

}  // namespace panelaid
