#include "ShutdownRoutine.h"

#include "MonitoredKiller.h"
#include "ServiceCodes.h"
#include "ShutdownFlag.h"
#include "SwitchoverLauncher.h"
#include "qdberr.h"

#include <chrono>
#include <thread>

namespace hvsvc {

void ShutdownRoutine::Run() {
    pxm_err(6, kMsgPausedOrShutdown, __FILE__, __LINE__, 0, 0, "HVSVC is being shutdown");
    if (AskFlagInChild(kSwitchoverFlag)) SwitchoverLauncher::Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
    MonitoredKiller::KillMonitored();
}

}  // namespace hvsvc
