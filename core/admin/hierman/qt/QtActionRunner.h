// The console's action runner: marks the console busy (the action commands
// go grey at once and the busy cursor shows), runs the job on a worker
// thread and waits in a local event loop that serves every window of the
// console, so that views repaint and a worker's questions are answered while
// the user cannot start a second action. Readiness is an in-process signal:
// the worker reports it before the job starts, and a worker not ready in
// time never runs the job.
#pragma once

#include "ActionRunner.h"
#include "MessageBoxes.h"

#include <functional>
#include <thread>

namespace hierman {

class QtActionRunner : public ActionRunner {
public:
    struct Hooks {
        panelaid::MessageBoxes& boxes;
        std::function<void(bool busy)> setBusy;
        // Brings the enabled state of the commands up to date.
        std::function<void()> updateCommandStates;
    };

    static constexpr int kReadyTimeoutMs = 30000;

    explicit QtActionRunner(Hooks hooks, int readyTimeoutMs = kReadyTimeoutMs)
        : hooks_(std::move(hooks)), readyTimeoutMs_(readyTimeoutMs) {}
    ~QtActionRunner() override = default;

    // On the GUI thread only; one job at a time (a second call meanwhile
    // gives kWorkerFailed).
    int Run(const ActionJobFn& job) override;
    bool Running() const { return running_; }

protected:
    // Starts body on a new thread; 0, or the error number of a failed start.
    virtual int StartThread(std::function<void()> body, std::thread* out);

private:
    void Say(const std::string& text);
    void SetBusy(bool busy);

    Hooks hooks_;
    int readyTimeoutMs_;
    bool running_ = false;
};

}  // namespace hierman
