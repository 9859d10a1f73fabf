// Runs the slow part of an administrator action (database changes, scripts,
// a recovery kit's pages) and gives back its result. The console's runner
// moves the job onto a worker thread and keeps every window served until it
// ends; the inline runner of the tests calls it on the spot. A job carries
// its own copies of what it needs (tags, names), never a cell of the view.
#pragma once

#include <functional>

namespace hierman {

// The result of a job whose thread could not start or did not get ready.
inline constexpr int kWorkerFailed = 99;

using ActionJobFn = std::function<int()>;

class ActionRunner {
public:
    virtual ~ActionRunner() = default;
    // Runs the job once and returns its result, or kWorkerFailed when it
    // could not be run (the user has been told).
    virtual int Run(const ActionJobFn& job) = 0;
};

class InlineActionRunner : public ActionRunner {
public:
    int Run(const ActionJobFn& job) override {
        ++runs;
        return job();
    }
    int runs = 0;
};

}  // namespace hierman
