// The cluster service and the database daemon as the consoles see them:
// the service's state through its control pipe, and whether the daemon's
// process runs.
#pragma once

#include <cstdint>

namespace panelaid {

class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    // 0 with the service's state (hvsvc::ServiceState); nonzero when no
    // service answered (not running, refused, or silent past the reply time).
    virtual int QueryState(std::uint32_t* state) = 0;
    // Whether the database daemon's process runs.
    virtual bool DaemonRunning() = 0;
};

}  // namespace panelaid
