#include "SlotLookup.h"

#include "HvinitReport.h"
#include "ToolText.h"

namespace hvtools {

SlotLookup LookUpSlot(const HvinitTableView& table, const std::string& tool, const std::string& argument,
                      const SlotLookupIds& ids) {
    SlotLookup found;
    bool isPid = false;
    long pid = -1;
    const int index = table.Find(argument, &isPid, &pid);
    if (index < 0) {
        if (isPid)
            HVI_REPORT(6, ids.notRegistered,
                       "%s: Process (pid=%ld) is not registered with HV-init.\nTry %s <procname>\n", tool.c_str(),
                       pid, tool.c_str());
        else
            HVI_REPORT(6, ids.notRegistered, "%s: Process %s is not registered with HV-init.\n", tool.c_str(),
                       ProgramPart(argument).c_str());
        return found;
    }
    found.found = true;
    found.slot = table.Slot(index);
    const std::string line = CommandLineOf(found.slot.command);
    switch (found.slot.state) {
    case hvinit::kStateStopped:
        HVI_REPORT(6, ids.stopped, ids.stoppedText, tool.c_str(), line.c_str());
        found.notMonitored = true;
        break;
    case hvinit::kStateDead:
        HVI_REPORT(6, ids.dead, "%s: Process %s is dead and is not being monitored.\n", tool.c_str(), line.c_str());
        found.notMonitored = true;
        break;
    case hvinit::kStateKilled:
        if (ids.killed != 0)
            HVI_REPORT(6, ids.killed, "%s: Process %s has already been killed.\n", tool.c_str(), line.c_str());
        break;
    case hvinit::kStateWaiting:
        HVI_REPORT(6, ids.waiting, "%s: Process %s is waiting for %s cluster instance to become active.\n",
                   tool.c_str(), line.c_str(), found.slot.instanceName.c_str());
        break;
    default: break;
    }
    return found;
}

bool OpenToolSlot(int argc, char** argv, int firstName, const std::string& tool, const char* usage,
                  const SlotToolIds& ids, HvinitTableView* table, SlotLookup* found) {
    const int names = argc - firstName;
    if (names != 1) {
        HVI_REPORT(6, names > 1 ? ids.secondName : ids.noName, usage, tool.c_str());
        return false;
    }
    if (!table->OpenWhenServing(ids.notRunning, ids.getFailed, ids.attachFailed)) return false;
    *found = LookUpSlot(*table, tool, argv[firstName], ids.lookup);
    if (!found->found) table->Close(ids.detachFailed);
    return found->found;
}

}  // namespace hvtools
