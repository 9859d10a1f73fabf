// hvi_delwatch: removes a process from HV-init monitoring without killing it.
// Without option the watching stops (a process the configuration file holds
// keeps its slot, stopped); -d removes it from the configuration file and the
// table and frees its group number.
#include "HvinitReport.h"
#include "HelpOption.h"
#include "HvinitTableView.h"
#include "MonitorRequests.h"
#include "OptionParser.h"
#include "SlotLookup.h"
#include "ToolText.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <string>

namespace {

constexpr const char* kUsage = "Usage: %s [-d] {procname|pid}\n";

int Run(int argc, char** argv) {
    const std::string name = hvtools::ToolName(argc > 0 ? argv[0] : "hvi_delwatch");
    if (argc < 2) {
        HVI_REPORT(6, 19231, kUsage, name.c_str());
        return 1;
    }
    bool remove = false;
    portlib::popterr = 0;
    for (int c; (c = portlib::getopt(argc, argv, "d")) != -1;) {
        if (c != 'd') {
            HVI_REPORT(6, 19237, kUsage, name.c_str());
            return 1;
        }
        remove = true;
    }
    hvtools::HvinitTableView table;
    hvtools::SlotLookup lookup;
    static const hvtools::SlotToolIds kIds{19236, 19238, 19232, 19233, 19234, 19235,
        {19242, 19239, "%s: Process %s is not currently being monitored.\n", 19240, 0, 19241}};
    if (!hvtools::OpenToolSlot(argc, argv, portlib::poptind, name, kUsage, kIds, &table, &lookup)) return 1;
    const hvtools::SlotCopy& slot = lookup.slot;
    const bool notMonitored = lookup.notMonitored;
    const std::string commandLine = hvtools::CommandLineOf(slot.command);

    const bool ok = remove ? hvtools::RemoveFully(slot) : hvtools::StopWatching(slot, notMonitored);
    if (!ok) {
        HVI_REPORT(3, 19243, "%s of process %s has failed.\n", name.c_str(), commandLine.c_str());
        table.Close(19235);
        return 1;
    }
    HVI_REPORT(6, 19244, "%s of process %s has completed successfully.\n", name.c_str(), commandLine.c_str());
    table.Close(19235);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], kUsage,
                                      "\nStops the watching of one monitored process without killing it; -d also\n"
                                      "removes it from the configuration file and the table.\n"
                                      "Exit status: 0 done; 1 bad command line or the request failed.\n");
    set_errinfo("HV-init:hvi_delwatch", "General", 1024, nullptr);
    return Run(argc, argv);
}
