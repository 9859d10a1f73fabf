// The service "Holdervane": its three workers (object persistence, volume
// locks, HV-init) and the frame around them, answering stop, pause, continue,
// interrogate and shutdown, as NT's service entry and control handler did.
//
//   START_PENDING (check points 1, 2, 3) -> RUNNING
//   -> (PAUSE_PENDING -> PAUSED -> CONTINUE_PENDING -> RUNNING)*
//   -> STOP_PENDING -> STOPPED
//
// A control that does not apply (PAUSE while paused, CONTINUE while running)
// and INTERROGATE answer the current state and change nothing.
#pragma once

#include "ControlPipeServer.h"
#include "PauseGate.h"
#include "StatusReporter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace hvsvc {

class ServiceFrame {
public:
    ServiceFrame() = default;
    ~ServiceFrame();
    ServiceFrame(const ServiceFrame&) = delete;
    ServiceFrame& operator=(const ServiceFrame&) = delete;

    // The service entry: runs until stopped. The process's exit code: 0 after
    // a stop, 1 when the service could not run.
    int RunService();
    // Console mode: the three workers without any control; never returns.
    [[noreturn]] void RunConsole();

    // The control handler: the state after the control.
    std::uint32_t Control(std::uint32_t control);

    const StatusReporter& Status() const { return status_; }

private:
    void StopRoutine();
    // 0, or the Win32 error of the worker that could not start (reported).
    int StartWorkers();
    void JoinWorkers();
    void StartStopProgram();

    StatusReporter status_;
    PauseGate gate_;
    ControlPipeServer control_;
    std::thread workers_[3];  // object persistence, volume, HV-init

    std::mutex stopMutex_;
    std::condition_variable stopEvent_;
    bool stopSignalled_ = false;
    bool stopRoutineRan_ = false;
    std::atomic<bool> running_{false};
    bool paused_ = false;  // control thread only
};

}  // namespace hvsvc
