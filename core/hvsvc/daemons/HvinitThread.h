// The HV-init worker: sets up the HV-init table (new, or the one an earlier
// run left), reads the configuration, opens the command pipe, then alternates
// between serving the pipe's waiting clients, a one-second sleep and one
// monitoring pass, for as long as the service runs. A fatal start-up error
// ends this thread only; the service goes on without HV-init.
#pragma once

#include "MonitorSystem.h"
#include "PauseGate.h"

namespace hvsvc {

class HvinitThread {
public:
    static constexpr int kPassMs = 1000;

    explicit HvinitThread(PauseGate& gate) : gate_(gate) {}
    // Runs with the system layer given (tests use a fake one), else the real one.
    void Run(MonitorSystem* system = nullptr);

private:
    PauseGate& gate_;
};

}  // namespace hvsvc
