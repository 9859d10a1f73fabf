// A service whose state and daemon the test sets; counts the daemon look-ups.
#pragma once

#include "ServiceControl.h"

#include <atomic>

namespace panelaid {

class FakeServiceControl : public ServiceControl {
public:
    int QueryState(std::uint32_t* state) override {
        ++queries;
        if (!answers) return 2;
        *state = this->state;
        return 0;
    }
    bool DaemonRunning() override {
        ++daemonLookups;
        return daemon;
    }

    bool answers = true;         // false: no service (the pipe is not there)
    std::uint32_t state = 4;     // RUNNING
    bool daemon = true;
    std::atomic<int> queries{0};
    std::atomic<int> daemonLookups{0};
};

}  // namespace panelaid
