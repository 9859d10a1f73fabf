#include "PipeServiceControl.h"

#include "ProcessList.h"
#include "ServiceCodes.h"
#include "ServiceControlClient.h"

namespace panelaid {

int PipeServiceControl::QueryState(std::uint32_t* state) {
    // A service that is not there answers at once: no wait for its pipe.
    return hvsvc::ServiceControlClient::Send(hvsvc::kControlInterrogate, state, nullptr, kReplyMs, 0);
}

bool PipeServiceControl::DaemonRunning() { return find_pid_by_name("QDB.EXE") > 0; }

}  // namespace panelaid
