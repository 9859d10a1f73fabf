// hvi_status: prints the processes registered with HV-init: one slot, by
// program or pid, or the whole table.
#include "HvinitReport.h"
#include "HelpOption.h"
#include "HvinitTableView.h"
#include "ToolText.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <cstdio>
#include <string>

namespace {

using hvtools::SlotCopy;

constexpr const char* kUsage = "Usage: %s [procname|pid]\n";

std::string NoneForX(const std::string& value) { return value == "X" ? "NONE" : value; }

std::string StatusWord(const SlotCopy& slot) {
    switch (slot.state) {
    case hvinit::kStateMonitoring: return "Monitoring";
    case hvinit::kStateInitializing: return "Initializing";
    case hvinit::kStateKilled: return "Killed";
    case hvinit::kStateWaiting: return "Waiting for the " + NoneForX(slot.instanceName) + " to become active";
    case hvinit::kStateDead: return "Dead";
    case hvinit::kStateStopped: return "Stopped";
    default: return "Unknown";
    }
}

void PrintSlot(const SlotCopy& slot, const std::string& system) {
    std::printf("Process Name     : %s\n", hvtools::CommandLineOf(slot.command).c_str());
    std::printf("System Name      : %s\n", system.c_str());
    std::printf("Pid              : %d\n", slot.pid);
    std::printf("Group Number     : %d\n", slot.groupNumber);
    std::printf("CI Name          : %s\n", NoneForX(slot.instanceName).c_str());
    std::printf("Polling Time     : %d\n", slot.pollTime);
    std::printf("Restart Count    : %d\n", slot.restartCount);
    std::printf("Restart Interval : %d\n", slot.restartInterval);
    std::printf("Restart Time Unit: %d\n", slot.restartTimeUnit);
    std::printf("File Name        : %s\n", NoneForX(slot.fileName).c_str());
    std::printf("Status           : %s\n", StatusWord(slot).c_str());
}

int Run(int argc, char** argv) {
    const std::string name = hvtools::ToolName(argc > 0 ? argv[0] : "hvi_status");
    if (argc > 2) {
        HVI_REPORT(6, 19286, kUsage, name.c_str());
        return 1;
    }
    hvtools::HvinitTableView table;
    if (!table.OpenWhenServing(19287, 19288, 19289)) return 1;
    const std::string system = table.SystemName();
    int exitCode = 0;
    if (argc == 2) {
        bool isPid = false;
        long pid = -1;
        const int index = table.Find(argv[1], &isPid, &pid);
        if (index < 0) {
            if (isPid)
                HVI_REPORT(6, 19290, "%s: Process (pid=%ld) is not registered with HV-init.\nTry %s <procname>\n",
                           name.c_str(), pid, name.c_str());
            else
                HVI_REPORT(6, 19290, "%s: Process %s is not registered with HV-init.\n", name.c_str(),
                           hvtools::ProgramPart(argv[1]).c_str());
            exitCode = 1;
        } else {
            std::printf("\n-----------------------------------------------\n");
            PrintSlot(table.Slot(index), system);
            std::printf("\n-----------------------------------------------\n");
        }
    } else {
        std::printf("\nStatus of the processes registered with HV-init:\n");
        std::printf("------------------------------------------------\n\n");
        for (int i = 0; i < hvinit::kSlotCount; ++i) {
            if (table.Table()->slots[i].inUse != 1) continue;
            PrintSlot(table.Slot(i), system);
            std::printf("\n------------------------------------------------\n\n");
        }
    }
    std::fflush(stdout);
    table.Close(19291);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], kUsage,
                                      "\nPrints the HV-init table: every monitored process, or the one named by\n"
                                      "its program or pid.\n"
                                      "Exit status: 0 done; 1 bad command line, no table or no such process.\n");
    set_errinfo("HV-init:hvi_status", "General", 1024, nullptr);
    return Run(argc, argv);
}
