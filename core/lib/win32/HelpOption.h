// The option every program answers alike: "--help" as its only argument
// prints the program's usage on standard output and ends it with exit code
// 0. Programs whose other options are fixed parse the rest as before.
#pragma once

#include <cstdio>
#include <cstring>

namespace portlib {

inline bool AsksForHelp(int argc, char** argv) {
    return argc == 2 && argv[1] != nullptr && std::strcmp(argv[1], "--help") == 0;
}

// Prints usage on standard output, with program for its "%s" where it has
// one, and gives the exit code of a help request.
inline int PrintHelp(const char* usage, const char* program) {
    std::printf(usage, program);
    std::fflush(stdout);
    return 0;
}

}  // namespace portlib
