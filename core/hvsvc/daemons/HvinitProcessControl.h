// Starting and killing monitored processes for the dispatcher's FORK,
// RECOVER and KILL. A start first looks for the program already running and
// adopts it; otherwise the command (program '|' arguments) is split at '|'
// into argv and started, with no shell, its output in the process log file.
#pragma once

#include "HvinitLayout.h"
#include "MonitorSystem.h"
#include "SlotHandles.h"

#include <string>
#include <vector>

namespace hvsvc {

struct StartedProcess {
    int pid = -1;
    int handle = 0;
};

class HvinitProcessControl {
public:
    static constexpr int kKillPollDelay = 180;  // seconds a slot is left alone while it is killed

    HvinitProcessControl(hvinit::HvinitTable* table, SlotHandles& handles, MonitorSystem& system)
        : table_(table), handles_(handles), system_(system) {}

    // FORK (recover false: the log is truncated) or RECOVER (appended).
    // True with the pid and handle, false when the start failed (reported).
    bool Start(const std::string& command, bool recover, StartedProcess* started);
    // KILL: 1 killed, -2 failed (reported).
    int Kill(long pid, int exitCode);

    // The program and its arguments: the command split at '|'.
    static std::vector<std::string> Argv(const std::string& command);
    // Where a start of the command writes its output: "<root>/tmp/<name>.log"
    // with the program's base name cut at its first '.', when the registry's
    // HVINIT ProcessLogging is set; none for QDB and MXRCFGSTORE.
    static ProcessLog LogFor(const std::string& command, bool append);

private:
    hvinit::HvinitTable* table_;
    SlotHandles& handles_;
    MonitorSystem& system_;
};

}  // namespace hvsvc
