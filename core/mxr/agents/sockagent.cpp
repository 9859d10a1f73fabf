// sockagent: carries the communication manager's traffic between systems
// over TCP/IP. This system's name (MXRHOSTNAME, or the machine's name) must
// resolve to its address on the cluster network: the agent listens and
// connects from that address (trace with -t shows it).
#include <iostream>
#include <string>

#include "HVShutdownPriority.h"
#include "SOCKCAWorld.h"
#include "SockAgentOptions.h"
#include "SockTrace.h"

int main(int argc, char** argv) {
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
