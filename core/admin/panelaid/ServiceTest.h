// Whether the cluster service and the database daemon are up. The daemon's
// process is looked for on the first "up" after start and after every
// "down", not on every call.
#pragma once

#include "ServiceControl.h"

#include <atomic>

namespace panelaid {

class ServiceTest {
public:
    explicit ServiceTest(ServiceControl& control) : control_(control) {}

    // 1 the service is starting or running and the daemon is there; -1 the
    // service is up but the daemon is missing; 0 the service is down or did
    // not answer.
    int Test();

    // Start pending, running, continue pending, pause pending, paused.
    static bool IsUp(std::uint32_t state);

private:
    ServiceControl& control_;
    std::atomic<bool> daemonUnconfirmed_{true};
};

}  // namespace panelaid
