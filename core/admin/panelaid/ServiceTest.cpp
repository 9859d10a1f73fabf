#include "ServiceTest.h"

#include "ServiceCodes.h"

namespace panelaid {

bool ServiceTest::IsUp(std::uint32_t state) {
    switch (state) {
    case hvsvc::kStateStartPending:
    case hvsvc::kStateRunning:
    case hvsvc::kStateContinuePending:
    case hvsvc::kStatePausePending:
    case hvsvc::kStatePaused:
        return true;
    default:
        return false;
    }
}

int ServiceTest::Test() {
    std::uint32_t state = 0;
    if (control_.QueryState(&state) != 0 || !IsUp(state)) {
        daemonUnconfirmed_ = true;
        return 0;
    }
    if (!daemonUnconfirmed_) return 1;
    if (!control_.DaemonRunning()) return -1;
    daemonUnconfirmed_ = false;
    return 1;
}

}  // namespace panelaid
