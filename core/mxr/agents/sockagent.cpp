// sockagent: carries the communication manager's traffic between systems
// over TCP/IP. This system's name (MXRHOSTNAME, or the machine's name) must
// resolve to its address on the cluster network: the agent listens and
// connects from that address (trace with -t shows it).
#include <iostream>
#include <string>

#include "HVShutdownPriority.h"
#include "HelpOption.h"
#include "SOCKCAWorld.h"
#include "SockAgentOptions.h"
#include "SockTrace.h"

namespace {

constexpr const char* kHelp =
    "usage: sockagent [-t] [-i heartbeat_interval] [-k heartbeat_max_miss]\n"
    "\n"
    "The TCP/IP communication agent: it connects to this system's manager,\n"
    "registers as a TLI agent and serves every path created for it (device\n"
    "\"TCPIP:PORT\", default port 1500) with a listen and a connect, bound to\n"
    "the address of this system's name (MXRHOSTNAME or the machine's name).\n"
    "\n"
    "Options:\n"
    "  -t                      trace, with the address it listens on\n"
    "  -i heartbeat_interval   seconds between heartbeats (default 6)\n"
    "  -k heartbeat_max_miss   heartbeats missed before a path is DEAD (default 5)\n"
    "\n"
    "Exit status: 0 stopped; 1 bad command line or the start failed.\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kHelp, "");
    SockAgentOptions options;
    std::string usage;
    if (options.Parse(argc, argv, usage) != 0) {
        std::cerr << usage << std::flush;
        return 1;
    }
    SockSetTrace(options.trace);
    portlib::SetHVShutdownPriority(1);
    SOCKCAWorld world(bStr(), bStr("TCPIP"), options.hbInterval, options.hbMaxMiss);
    world.SetMessagePrinting(0);
    std::cout << "Holdervane SOCKCA is now starting\n" << std::flush;
    world.SetSOCKCAPriority();
    if (world.Initialize() != 0) {
        std::cerr << "SOCKCA initialization failed check log file for details\n" << std::flush;
        return 1;
    }
    while (world.GetRunFlag() != 0) world.Run();
    world.CleanUp();
    return 0;
}
