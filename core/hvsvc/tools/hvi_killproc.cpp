// hvi_killproc: kills a process that HV-init monitors. By default the
// monitor is told to poll it at once, so that it is restarted by its rules;
// -c also removes it from monitoring and from the configuration file, -d
// stops the watching; -k sends the requests but kills nothing.
#include "HvinitReport.h"
#include "HelpOption.h"
#include "HvinitTableView.h"
#include "MonitorRequests.h"
#include "OptionParser.h"
#include "SlotLookup.h"
#include "ProgramKill.h"
#include "ToolText.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr const char* kUsage = "Usage: %s [-c] [-d] [-s signal] [-w waittime] {procname | pid}\n";

int Run(int argc, char** argv) {
    const std::string name = hvtools::ToolName(argc > 0 ? argv[0] : "hvi_killproc");
    if (argc < 2) {
        HVI_REPORT(6, 19266, kUsage, name.c_str());
        return 1;
    }
    bool clear = false, unwatch = false, noKill = false;
    portlib::popterr = 0;
    for (int c; (c = portlib::getopt(argc, argv, "cdkw:")) != -1;) {
        switch (c) {
        case 'c': clear = true; break;
        case 'd': unwatch = true; break;
        case 'k': noKill = true; break;
        case 'w': break;  // the wait time has no use: the kill is immediate
        default: {
            const std::string text = std::string("Unknown option - '-%c'\n") + kUsage;
            HVI_REPORT(6, 19273, text.c_str(), portlib::poptopt, name.c_str());
            return 1;
        }
        }
    }
    hvtools::HvinitTableView table;
    hvtools::SlotLookup lookup;
    static const hvtools::SlotToolIds kIds{19271, 19274, 19267, 19268, 19269, 19270,
        {19279, 19275, "%s: Process %s is not currenty being monitored.\n", 19276, 19277, 19278}};
    if (!hvtools::OpenToolSlot(argc, argv, portlib::poptind, name, kUsage, kIds, &table, &lookup)) return 1;
    const hvtools::SlotCopy& slot = lookup.slot;
    const bool notMonitored = lookup.notMonitored;
    const std::string commandLine = hvtools::CommandLineOf(slot.command);
    if (notMonitored) noKill = true;

    bool ok;
    if (clear) {
        ok = hvtools::RemoveFully(slot);
    } else if (unwatch) {
        ok = hvtools::StopWatching(slot, notMonitored);
    } else {
        if (!noKill) kill_program_pid(slot.pid, slot.command.c_str());
        const std::string record = hvtools::PollNowRecord(slot.command, static_cast<long>(std::time(nullptr)));
        long value = 0;
        ok = hvtools::Ask(hvinit::kCmdUpdate, {record.c_str(), "2"}, &value);
    }
    if (!ok) {
        if (!noKill) HVI_REPORT(3, 19280, "%s: Cannot kill the process %s.\n", name.c_str(), commandLine.c_str());
        table.Close(19270);
        return 1;
    }
    if (clear || unwatch) {
        if (noKill) {
            table.Close(19270);
            return 0;
        }
        kill_program_pid(slot.pid, slot.command.c_str());
    }
    if (!noKill)
        HVI_REPORT(6, 19281, "%s: Process %s has been killed successfully.\n", name.c_str(), commandLine.c_str());
    table.Close(19270);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], kUsage,
                                      "\nKills a monitored process; the monitor restarts it by its rules. A pid is\n"
                                      "signalled only while it still runs the slot's program. -c also removes it\n"
                                      "from monitoring and the configuration file, -d stops its watching, -k\n"
                                      "sends the requests but kills nothing.\n"
                                      "Exit status: 0 done; 1 bad command line or the request failed.\n");
    set_errinfo("HV-init:hvi_killproc", "General", 1024, nullptr);
    return Run(argc, argv);
}
