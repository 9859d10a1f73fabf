// What the service does when the system shuts down: the switchover script
// when the local flag "shutdown_switchover" is set, 5 seconds for it to
// begin, then the monitored processes are killed. The reported state does
// not change: the system ends the service afterwards.
#pragma once

namespace hvsvc {

class ShutdownRoutine {
public:
    static constexpr int kWaitMs = 5000;
    static void Run();
};

}  // namespace hvsvc
