#include "ThisHostLiveness.h"

#include "BaseAddr.h"
#include "FuncInfo.h"

int ThisHostLiveness::IsHostAlive(const bStr& host) {
    MXR_FRAME("ThisHostLiveness", "IsHostAlive", 1, "ThisHostLiveness.c");
    return host == BaseAddr::GetCurrentHostRef() ? 1 : 0;
}

ThisHostLiveness& ThisHostLiveness::Instance() {
    static ThisHostLiveness instance;
    return instance;
}
