#include "ProcessScriptRunner.h"

#include "ScriptWords.h"

#include <cstdio>

namespace panelaid {

ProcessScriptRunner::ProcessScriptRunner(std::function<std::string()> root, WaitPump& pump)
    : root_(std::move(root)), pump_(pump), lines_([this] {
          std::fprintf(stderr, "script runner: output of %s beyond %zu bytes dropped\n", running_.c_str(),
                       OutputLines::kKeptBytes);
      }) {}

int ProcessScriptRunner::Execute(const std::string& script, const std::string& args, const Environment& extraEnv) {
    return Run(script, args, extraEnv, 0);
}

int ProcessScriptRunner::ExecuteWithin(unsigned limitMs, const std::string& script, const std::string& args) {
    return Run(script, args, {}, limitMs);
}

int ProcessScriptRunner::Run(const std::string& script, const std::string& args, const Environment& extraEnv,
                             unsigned limitMs) {
    lines_.Clear();
    timedOut_ = false;
    SpawnSpec spec;
    spec.argv.push_back(root_() + script);
    std::vector<std::string> words;
    if (!SplitScriptWords(args, &words)) {
        std::fprintf(stderr, "script runner: %s not run: unclosed quote in its arguments\n", script.c_str());
        return -1;
    }
    spec.argv.insert(spec.argv.end(), words.begin(), words.end());
    spec.extraEnv = extraEnv;
    spec.captureOutput = true;
    spec.timeLimitMs = limitMs;
    running_ = spec.argv[0];
    SpawnedChild child;
    const int rc = child.Start(spec, &lines_);
    if (rc != 0) {
        std::fprintf(stderr, "script runner: %s cannot run (errno %d)\n", running_.c_str(), rc);
        return -1;
    }
    pump_.WaitUntilDone(child);
    if (child.TimedOut()) {
        timedOut_ = true;
        std::fprintf(stderr, "script runner: %s killed: still running after %u ms\n", running_.c_str(), limitMs);
        return -1;
    }
    return SpawnedChild::ResultOf(child.WaitStatus());
}

void ProcessScriptRunner::ProgressText(const char* text, StatusDisplay* bar) {
    if (bar != nullptr) bar->ShowText(text != nullptr ? text : "");
}

}  // namespace panelaid
