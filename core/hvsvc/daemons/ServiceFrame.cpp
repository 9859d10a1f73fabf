#include "ServiceFrame.h"

#include "BootExecuteList.h"
#include "DetachedProcess.h"
#include "HvinitThread.h"
#include "InstallPaths.h"
#include "PreserveServer.h"
#include "ServiceCodes.h"
#include "ShutdownRoutine.h"
#include "VolumeServer.h"
#include "qdberr.h"

#include "platform/ShutdownOrder.h"

#include <system_error>
#include <unistd.h>

namespace hvsvc {

namespace {

constexpr int kOpThread = 0;
constexpr int kVolumeThread = 1;
constexpr int kHvinitThread = 2;
constexpr int HV_ERROR_NOT_ENOUGH_MEMORY = 8;

}  // namespace

ServiceFrame::~ServiceFrame() {
    gate_.Stop();
    JoinWorkers();
    control_.Close();
}

void ServiceFrame::StopRoutine() {
    pxm_err(6, kMsgStopping, __FILE__, __LINE__, 0, 0, "HVSVC is being stopped");
    running_ = false;
    {
        std::lock_guard<std::mutex> hold(stopMutex_);
        stopSignalled_ = true;
        stopRoutineRan_ = true;
    }
    stopEvent_.notify_all();
}

std::uint32_t ServiceFrame::Control(std::uint32_t control) {
    const std::uint32_t state = status_.State();
    switch (control) {
    case kControlStop:
        if (state == kStateStopPending || state == kStateStopped) return state;
        BootExecuteList::Rebuild();
        status_.Report(kStateStopPending, 0, 0, 1, 5000);
        StopRoutine();
        return kStateStopPending;
    case kControlPause:
    case kControlContinue: {
        const bool pause = control == kControlPause;
        if (!running_ || paused_ == pause) return state;
        BootExecuteList::Rebuild();
        status_.Report(pause ? kStatePausePending : kStateContinuePending, 0, 0, 1, 1000);
        if (pause)
            pxm_err(6, kMsgPausedOrShutdown, __FILE__, __LINE__, 0, 0, "HVSVC is being paused");
        else
            pxm_err(6, kMsgResumed, __FILE__, __LINE__, 0, 0, "HVSVC is being resumed");
        paused_ = pause;
        if (pause) gate_.Pause(); else gate_.Resume();
        const std::uint32_t next = pause ? kStatePaused : kStateRunning;
        status_.Report(next, 0, 0, 0, 0);
        return next;
    }
    case kControlShutdown:
        BootExecuteList::Rebuild();
        ShutdownRoutine::Run();
        return status_.State();
    case kControlInterrogate:
    default: return state;
    }
}

int ServiceFrame::StartWorkers() {
    pxm_err(6, kMsgInitialized, __FILE__, __LINE__, 0, 0, "HVSVC is being initialized");
    bool started[3] = {false, false, false};
    auto start = [&](int index, auto body) {
        try {
            workers_[index] = std::thread(body);
            started[index] = true;
        } catch (const std::system_error&) {
        }
    };
    start(kOpThread, [this] { PreserveServer(gate_).Run(); });
    start(kVolumeThread, [this] { VolumeServer(gate_).Run(); });
    start(kHvinitThread, [this] { HvinitThread(gate_).Run(); });
    const char* failed = !started[kVolumeThread] ? "Hvsvc is unable to start Volume thread"
                         : !started[kOpThread]   ? "Hvsvc is unable to start Object Persistence thread"
                         : !started[kHvinitThread] ? "Hvsvc is unable to start Hvinit thread"
                                                   : nullptr;
    if (failed == nullptr) return 0;
    pxm_err(3, kMsgInitialized, __FILE__, __LINE__, 0, 0, "%s", failed);
    return HV_ERROR_NOT_ENOUGH_MEMORY;
}

void ServiceFrame::JoinWorkers() {
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
}

void ServiceFrame::StartStopProgram() {
    const std::string bin = InstallPaths::ProgramDir();
    if (bin.empty()) {
        pxm_err(3, kMsgNoRootDir, __FILE__, __LINE__, 0, 0,
                "Error %u on RegOpenKeyEx for SOFTWARE\\Vexa\\Holdervane\\General key\n", 2u);
        return;
    }
    DetachedSpec spec;
    spec.argv = {bin + "hvstop.exe"};
    spec.workDir = bin;
    const int err = DetachedProcess::Start(spec);
    if (err != 0)
        pxm_err(3, kMsgCreateProcessFailed, __FILE__, __LINE__, 0, 0, "Create Process returned %u\nCommandline %s",
                static_cast<unsigned>(err), DetachedProcess::CommandLine(spec).c_str());
}

int ServiceFrame::RunService() {
    // The control pipe stands for the dispatcher: without it nobody could
    // stop the service, so it does not start.
    const int opened = control_.Open();
    if (opened != 0) {
        pxm_err(3, kMsgDispatcherFailed, __FILE__, __LINE__, 0, 0, "In StartServiceCtrlDispatcher, error 0x%x",
                static_cast<unsigned>(opened));
        return 1;
    }
    status_.Report(kStateStartPending, 0, 0, 1, 5000);
    control_.Start([this](std::uint32_t control) { return Control(control); });
    status_.Report(kStateStartPending, 0, 0, 2, 1000);
    status_.Report(kStateStartPending, 0, 0, 3, 5000);

    int error = StartWorkers();
    if (error == 0) {
        // Told of a system shutdown before the ordinary processes.
        (void)portlib::platform::ShutdownOrder::SetParameters(portlib::platform::ShutdownOrder::kMaxLevel, 0);
        {
            std::lock_guard<std::mutex> hold(stopMutex_);
            if (!stopSignalled_) running_ = true;
        }
        if (running_) status_.Report(kStateRunning, 0, 0, 0, 0);
        std::unique_lock<std::mutex> hold(stopMutex_);
        stopEvent_.wait(hold, [this] { return stopSignalled_; });
        const bool stopped = stopRoutineRan_;
        hold.unlock();
        if (stopped) StartStopProgram();
    }

    gate_.Stop();
    JoinWorkers();
    control_.Close();
    status_.Report(kStateStopped, static_cast<std::uint32_t>(error), 0, 0, 0);
    pxm_err(3, kMsgTerminated, __FILE__, __LINE__, 0, 0, "HVSVC is terminated, error 0x%x",
            static_cast<unsigned>(error));
    return error == 0 ? 0 : 1;
}

void ServiceFrame::RunConsole() {
    if (StartWorkers() != 0) ::_exit(1);
    for (;;) ::sleep(300);
}

}  // namespace hvsvc
