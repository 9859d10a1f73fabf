// The group-number client: asks HV-init for a process's fault-resilient group.
#include "ErrIdentity.h"
#include "HvinitReport.h"
#include "ProcessList.h"
#include "libHVinit.h"

#include <cstdlib>
#include <cstring>

int getgroupnum(const char* name) {
    // A program that never named itself reports as the group-number client.
    if (cfgstore::CurrentErrIdentity().facility == 0) set_errinfo("HV-init:getgroupnum", "GENERAL", 1024, nullptr);
    if (checkserverready() != 0) {
        HVI_REPORT(3, 19581, "HV-init is not running.\n");
        return -2;
    }
    if (name != nullptr && std::strlen(name) >= hvinit::kCommandBytes) {
        HVI_REPORT(3, 19582, "Process Name, %s (including process arguments) must be < %d character long.\n", name,
                   static_cast<int>(hvinit::kCommandBytes));
        return -2;
    }
    char reply[] = "getgroupnum";
    if (hvinit::Request(reply, sizeof reply, hvinit::kCmdGetGrpNum, {name != nullptr ? name : "-1"}) != 0) return -2;
    return std::atoi(reply);
}
