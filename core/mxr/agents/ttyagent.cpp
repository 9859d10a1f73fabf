// ttyagent: the serial communication agent. Connects to the local
// communication manager, registers with the path administrator as a TTY
// agent and carries the manager's traffic over the serial paths it is given.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "HVShutdownPriority.h"
#include "HelpOption.h"
#include "OptionParser.h"
#include "TTYCAWorld.h"
#include "TTYTrace.h"

namespace {

constexpr const char* kHelp =
    "usage: ttyagent [-t] [-i heartbeat_interval] [-k heartbeat_max_miss] [-r retry_send]\n"
    "\n"
    "The serial communication agent: it connects to this system's manager,\n"
    "registers as a TTY agent and carries the manager's traffic over the\n"
    "serial paths created for it.\n"
    "\n"
    "Options:\n"
    "  -t                      trace\n"
    "  -i heartbeat_interval   seconds between heartbeats (default 6)\n"
    "  -k heartbeat_max_miss   heartbeats missed before a path is DEAD (default 5)\n"
    "  -r retry_send           accepted and not used\n"
    "\n"
    "Exit status: 0 stopped; 1 bad command line or the start failed.\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kHelp, "");
    const std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "ttyagent";
    int interval = 6;
    int misses = 5;
    int opt;
    while ((opt = portlib::getopt(argc, argv, "ti:k:r:")) != -1) {
        switch (opt) {
        case 't':
            ttyagent::SetTrace(true);
            break;
        case 'i':
            interval = std::atoi(portlib::poptarg);
            break;
        case 'k':
            misses = std::atoi(portlib::poptarg);
            break;
        case 'r':
            static_cast<void>(std::atoi(portlib::poptarg));  // accepted, not used
            break;
        default:
            std::cerr << program + " [ -t -i heartbeat_interval -k heartbeat_max_miss -r retry_send ]\n" << std::flush;
            return 1;
        }
    }
    portlib::SetHVShutdownPriority(1);
    TTYCAWorld world(interval, misses);
    std::cout << "Holdervane TTYCA is now starting\n" << std::flush;
    if (world.Initialize() != 0) {
        std::cerr << "TTYCA initialization failed check log file for details\n" << std::flush;
        return 1;
    }
    while (world.GetRunFlag()) world.Run();
    world.CleanUp();
    return 0;
}
