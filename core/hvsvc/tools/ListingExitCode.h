// The command line and the exit code of a listing tool: it takes no
// argument, and passes its result on as far as 8 bits carry it.
#pragma once

#include "HelpOption.h"

#include <cstdio>

namespace hvtools {

// 0 for 0; else the result's low 8 bits, or 1 when those are 0 (0x80000100
// must not read as success).
inline int ListingExitCode(int result) {
    if (result == 0) return 0;
    const int low = result & 0xFF;
    return low == 0 ? 1 : low;
}

// -1 to go on when there is no argument; 0 after the usage on standard
// output for --help; 1 after the usage on standard error for anything else.
inline int ListingCommandLine(int argc, char** argv, const char* usage) {
    if (argc < 2) return -1;
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(usage, "");
    std::fputs(usage, stderr);
    return 1;
}

}  // namespace hvtools
