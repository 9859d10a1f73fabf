// Runs an administration script under the installation root and keeps its
// output lines for the caller. One runner per thread; the real one is
// ProcessScriptRunner, the fake FakeScriptRunner.
#pragma once

#include "SpawnedChild.h"
#include "StatusDisplay.h"

#include <string>

namespace panelaid {

class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    // Runs <root><script> (script root-relative, as "/admin/bin/Delete") with
    // the words of args, and returns when it has ended: 0 success, else
    // failure (its exit code, 128 + a signal, or -1 when it did not run).
    // extraEnv is set for this run only.
    virtual int Execute(const std::string& script, const std::string& args, const Environment& extraEnv = {}) = 0;
    // As Execute, but a run still going after limitMs is killed (with what
    // it started) and fails with -1. A runner that cannot bound a run runs it as
    // Execute does.
    virtual int ExecuteWithin(unsigned limitMs, const std::string& script, const std::string& args) {
        (void)limitMs;
        return Execute(script, args);
    }
    // The next unread output line of the last run ("" when none); it counts as read.
    virtual const std::string& NextLine() = 0;
    virtual int LinesLeft() const = 0;
    // Shows text in the status bar for the coming run.
    virtual void ProgressText(const char* text, StatusDisplay* bar) = 0;
};

}  // namespace panelaid
