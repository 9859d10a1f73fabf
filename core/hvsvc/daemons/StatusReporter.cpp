#include "StatusReporter.h"

#include "ServiceCodes.h"
#include "SystemdNotify.h"

#include <string>

namespace hvsvc {

void StatusReporter::Report(std::uint32_t state, std::uint32_t win32ExitCode, std::uint32_t specificExitCode,
                            std::uint32_t checkPoint, std::uint32_t waitHint) {
    ServiceStatus s;
    s.state = state;
    s.controlsAccepted = state == kStateStartPending ? 0 : kControlsAccepted;
    s.win32ExitCode = specificExitCode != 0 ? kServiceSpecificError : win32ExitCode;
    s.specificExitCode = specificExitCode;
    s.checkPoint = checkPoint;
    s.waitHint = waitHint;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        status_ = s;
    }
    std::string text = std::string("STATUS=") + StateName(state) + "\n";
    if (state == kStateRunning) text += "READY=1\n";
    if (state == kStateStopPending) text += "STOPPING=1\n";
    if (state == kStateStopped && s.win32ExitCode != 0) text += "ERRNO=" + std::to_string(s.win32ExitCode) + "\n";
    if (waitHint != 0) text += "EXTEND_TIMEOUT_USEC=" + std::to_string(std::uint64_t{waitHint} * 1000) + "\n";
    // systemd not listening changes nothing for the service.
    (void)SystemdNotify::Send(text);
}

ServiceStatus StatusReporter::Current() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return status_;
}

}  // namespace hvsvc
