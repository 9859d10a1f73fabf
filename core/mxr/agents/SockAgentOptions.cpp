#include "SockAgentOptions.h"

#include <cstdlib>

#include "OptionParser.h"

int SockAgentOptions::Parse(int argc, char** argv, std::string& usage) {
    const std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "sockagent";
    portlib::poptind = 1;
    for (;;) {
        const int c = portlib::getopt(argc, argv, "tn:d:i:k:");
        if (c == -1) break;
        switch (c) {
            case 't':
                trace = 1;
                break;
            case 'i':
                hbInterval = std::atoi(portlib::poptarg);
                break;
            case 'k':
                hbMaxMiss = std::atoi(portlib::poptarg);
                break;
            default:
                usage = program + " [-t -i heartbeat_interval -k heartbeat_max_miss]\n";
                return 1;
        }
    }
    return 0;
}
