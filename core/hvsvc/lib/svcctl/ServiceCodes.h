// The service's states and controls, with NT's numbers, and the control pipe
// that stands in for the service control manager on Linux.
//
// Control pipe "\\.\pipe\holdervane-svc" (administrators only): a client
// writes one 4-byte little-endian control code and reads back the 4-byte
// state the service is in after handling it. Any other request closes the
// connection without a reply.
#pragma once

#include <cstdint>

namespace hvsvc {

inline constexpr const char* kServiceName = "Holdervane";
inline constexpr const char* kControlPipeName = "\\\\.\\pipe\\holdervane-svc";

enum ServiceState : std::uint32_t {
    kStateStopped = 1,
    kStateStartPending = 2,
    kStateStopPending = 3,
    kStateRunning = 4,
    kStateContinuePending = 5,
    kStatePausePending = 6,
    kStatePaused = 7,
};

enum ServiceControl : std::uint32_t {
    kControlStop = 1,
    kControlPause = 2,
    kControlContinue = 3,
    kControlInterrogate = 4,
    kControlShutdown = 5,
};

// "RUNNING", "PAUSED" ...; "UNKNOWN" for any other number.
const char* StateName(std::uint32_t state);
// The control's word as the control command takes it ("stop" ...); null when unknown.
const char* ControlName(std::uint32_t control);

// Message ids of the frame, the volume thread and the HV-init kills.
enum FrameMessage : int {
    kMsgDispatcherFailed = 200000,
    kMsgTerminated = 200001,
    kMsgStopping = 200002,
    kMsgPausedOrShutdown = 200003,
    kMsgResumed = 200004,
    kMsgInitialized = 200005,
    kMsgCreateProcessFailed = 200035,  // hvstop or the switchover script did not start
    kMsgNoRootDir = 200036,            // the installation root cannot be read
    kMsgCannotOpenToKill = 19166,
    kMsgCannotTerminate = 19171,
};

}  // namespace hvsvc
