// A script runner that answers each script from a table (result and output
// lines) and records every call, per runner.
#pragma once

#include "ScriptRunner.h"

#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace panelaid {

class FakeScriptRunner : public ScriptRunner {
public:
    struct Outcome {
        int result = 0;
        std::vector<std::string> lines;
    };
    struct Call {
        std::string script, args;
        Environment env;
    };

    // The outcomes for a script, used in turn; the last one repeats. A
    // script without outcomes succeeds with no output.
    void Answer(const std::string& script, Outcome outcome) { outcomes_[script].push_back(std::move(outcome)); }

    int Execute(const std::string& script, const std::string& args, const Environment& extraEnv = {}) override {
        calls.push_back({script, args, extraEnv});
        lines_.clear();
        next_ = 0;
        auto it = outcomes_.find(script);
        if (it == outcomes_.end() || it->second.empty()) return 0;
        const Outcome o = it->second.front();
        if (it->second.size() > 1) it->second.pop_front();
        lines_ = o.lines;
        return o.result;
    }
    const std::string& NextLine() override { return next_ < lines_.size() ? lines_[next_++] : none_; }
    int LinesLeft() const override { return static_cast<int>(lines_.size() - next_); }
    void ProgressText(const char* text, StatusDisplay* bar) override {
        progress.push_back(text != nullptr ? text : "");
        if (bar != nullptr) bar->ShowText(progress.back());
    }

    std::vector<Call> calls;
    std::vector<std::string> progress;

private:
    std::map<std::string, std::deque<Outcome>> outcomes_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    std::string none_;
};

}  // namespace panelaid
