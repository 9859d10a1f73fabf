#include "ServiceCodes.h"

namespace hvsvc {

const char* StateName(std::uint32_t state) {
    switch (state) {
    case kStateStopped: return "STOPPED";
    case kStateStartPending: return "START_PENDING";
    case kStateStopPending: return "STOP_PENDING";
    case kStateRunning: return "RUNNING";
    case kStateContinuePending: return "CONTINUE_PENDING";
    case kStatePausePending: return "PAUSE_PENDING";
    case kStatePaused: return "PAUSED";
    default: return "UNKNOWN";
    }
}

const char* ControlName(std::uint32_t control) {
    switch (control) {
    case kControlStop: return "stop";
    case kControlPause: return "pause";
    case kControlContinue: return "continue";
    case kControlInterrogate: return "status";
    case kControlShutdown: return "shutdown";
    default: return nullptr;
    }
}

}  // namespace hvsvc
