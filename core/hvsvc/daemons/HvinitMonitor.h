// The HV-init process monitor: fills a new table from the tunables and the
// configuration file, starts the configured processes, and once a second
// polls each in-use slot, restarting a process that died within its budget
// (count restarts inside a window of time-unit seconds). A restart first
// kills the other members of the slot's fault-resilient group, which are then
// restarted with it; a process whose budget is spent is declared dead (D),
// the rest of its group stopped (S) and the slot's file-name program run.
#pragma once

#include "HvinitDispatcher.h"
#include "HvinitLayout.h"
#include "HvinitPaths.h"
#include "MonitorSystem.h"
#include "SlotHandles.h"

#include <cstdint>
#include <string>

namespace hvsvc {

class HvinitMonitor {
public:
    static constexpr int kAgeingSeconds = 60;
    static constexpr int kMostSlots = hvinit::kSlotCount;

    HvinitMonitor(hvinit::HvinitTable* table, SlotHandles& handles, MonitorSystem& system,
                  HvinitDispatcher& dispatcher, const HvinitPaths& paths)
        : table_(table), handles_(handles), system_(system), dispatcher_(dispatcher), paths_(paths) {}

    // A new table: the header's defaults from the tunables file, every group
    // number free, every slot free.
    void FillNewTable(int serverPid, const char* systemName);
    // A table found from an earlier run: its handles were that run's.
    void AdoptTable(int serverPid);
    // Reads the configuration file into the slots and starts what it lists.
    // False when the file is missing and cannot be created.
    bool ReadConfiguration();
    // Marks the server ready and starts the clocks of the passes.
    void Begin();
    // One monitoring pass.
    void Pass();

private:
    bool StartSlot(int n, const char* message);
    void Restart(int n);
    void GroupKill(int n, bool dead);
    void Poll(int n);
    std::string Request(int command, const char* argument) const;

    hvinit::HvinitTable* table_;
    SlotHandles& handles_;
    MonitorSystem& system_;
    HvinitDispatcher& dispatcher_;
    HvinitPaths paths_;
    std::int64_t loopTime_ = 0;
    std::int64_t nextAgeing_ = 0;
    bool groupKilled_ = false;
};

}  // namespace hvsvc
