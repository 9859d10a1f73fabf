// The service's status, as NT's SetServiceStatus kept it for the service
// control manager: kept here for the control pipe's answers, and sent to
// systemd when it started the service.
#pragma once

#include <cstdint>
#include <mutex>

namespace hvsvc {

struct ServiceStatus {
    std::uint32_t state = 0;
    std::uint32_t controlsAccepted = 0;  // 7 (stop, pause/continue, shutdown), 0 while starting
    std::uint32_t win32ExitCode = 0;     // 1066 when a service-specific code is given
    std::uint32_t specificExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;          // milliseconds
};

class StatusReporter {
public:
    static constexpr std::uint32_t kControlsAccepted = 7;
    static constexpr std::uint32_t kServiceSpecificError = 1066;

    void Report(std::uint32_t state, std::uint32_t win32ExitCode, std::uint32_t specificExitCode,
                std::uint32_t checkPoint, std::uint32_t waitHint);
    ServiceStatus Current() const;
    std::uint32_t State() const { return Current().state; }

private:
    mutable std::mutex mutex_;
    ServiceStatus status_;
};

}  // namespace hvsvc
