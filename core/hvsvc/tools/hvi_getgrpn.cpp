// hvi_getgrpn: prints the fault-resilient group number of a process, or,
// without a name, hands out a new one.
#include "HelpOption.h"
#include "HvinitReport.h"
#include "ProcessList.h"
#include "ToolText.h"
#include "qdberr.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv))
        return hvtools::PrintToolHelp(argv[0], "Usage: %s procname\n",
                                      "\nPrints the fault-resilient group number of procname's process or,\n"
                                      "without procname, hands out a new one; -2 when it fails.\n"
                                      "Exit status: 0 done; 1 bad command line or no number.\n");
    set_errinfo("HV-init:hvi_getgrpn", "General", 1024, nullptr);
    if (argc > 2) {
        HVI_REPORT(6, 19261, "Usage: %s procname\n", hvtools::ToolName(argv[0]).c_str());
        std::printf("-2\n");
        return 1;
    }
    const int group = getgroupnum(argc == 2 ? argv[1] : nullptr);
    std::printf("%d\n", group);
    return group == -2 ? 1 : 0;
}
