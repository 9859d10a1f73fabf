// At system shutdown: every process in an in-use slot of the HV-init table is
// killed. The slot's process handle is used when it is a pidfd of this
// process for the slot's pid (the monitor's own handle); otherwise the pid is
// opened as a pidfd and killed only when its image is the slot's program, so
// a pid reused by another program is never hit. Slot states stay as they are.
#pragma once

#include "HvinitLayout.h"

namespace hvsvc {

class MonitoredKiller {
public:
    // Kills the processes of the table at `table`. Returns how many were killed.
    static int KillAll(const hvinit::HvinitTable* table);
    // Opens the HV-init table, kills, lets it go. -1 when there is no table.
    static int KillMonitored();

    // True when `handle` is a pidfd of this process naming `pid`.
    static bool IsPidfdOf(int handle, int pid);
};

}  // namespace hvsvc
