// ScriptRunner by posix_spawn: the argument text is split into words as a
// shell would split them, but no shell runs, so nothing in it is executed or
// expanded. A run may be given a time limit. The wait goes through a WaitPump (on the GUI thread a local loop
// without user input). Output beyond 1 MiB is dropped with one report.
#pragma once

#include "OutputLines.h"
#include "ScriptRunner.h"
#include "WaitPump.h"

#include <functional>

namespace panelaid {

class ProcessScriptRunner : public ScriptRunner {
public:
    // root answers the installation root (no trailing '/').
    ProcessScriptRunner(std::function<std::string()> root, WaitPump& pump);

    int Execute(const std::string& script, const std::string& args, const Environment& extraEnv = {}) override;
    int ExecuteWithin(unsigned limitMs, const std::string& script, const std::string& args) override;
    const std::string& NextLine() override { return lines_.Next(); }
    int LinesLeft() const override { return static_cast<int>(lines_.Left()); }
    void ProgressText(const char* text, StatusDisplay* bar) override;

    std::size_t DroppedBytes() const { return lines_.DroppedBytes(); }
    // True when the last run was killed at its time limit.
    bool LastRunTimedOut() const { return timedOut_; }

private:
    int Run(const std::string& script, const std::string& args, const Environment& extraEnv, unsigned limitMs);

    std::function<std::string()> root_;
    WaitPump& pump_;
    std::string running_;
    OutputLines lines_;
    bool timedOut_ = false;
};

}  // namespace panelaid
