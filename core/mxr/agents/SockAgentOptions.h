// The socket agent's command line: sockagent [-t] [-i heartbeat_interval]
// [-k heartbeat_max_miss]. -n and -d are refused like any unknown option.
#pragma once

#include <string>

struct SockAgentOptions {
    int trace = 0;
    int hbInterval = 6;
    int hbMaxMiss = 5;

    // 0 parsed; 1 usage error (the usage text is in usage).
    int Parse(int argc, char** argv, std::string& usage);
};
