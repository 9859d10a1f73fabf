// The option every program answers alike: "--help" as its only argument
// prints the program's usage on standard output and ends it with exit code
// 0. Programs whose other options are fixed parse the rest as before; a
// program that takes no argument at all refuses every other one.
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

// For a program that takes no argument: -1 to go on when there is none; 0
// after the usage (plain text) on standard output for -h or --help; 1 after
// the unknown argument named and the usage on standard error.
inline int NoArgumentsOrUsage(int argc, char** argv, const char* program, const char* usage) {
    if (argc < 2) return -1;
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        std::fflush(stdout);
        return 0;
    }
    std::fprintf(stderr, "%s: unknown argument \"%s\"\n\n%s", program, argv[1], usage);
    return 1;
}

}  // namespace portlib
