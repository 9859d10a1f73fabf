#include "OptionParser.h"

#include <cstdio>
#include <cstring>

namespace portlib {

char* poptarg = nullptr;
int popterr = 1;
int poptind = 1;
int poptopt = 0;

namespace {

// Position within argv[poptind]; 1 at the start of an argument.
int g_pos = 1;
// The argument g_pos belongs to: a caller that resets poptind or passes
// another argv restarts at the beginning of an argument instead of indexing
// past the end of a shorter one.
const char* g_posArg = nullptr;
int g_posInd = 0;

void Report(char** argv, const char* message, int c) {
    if (popterr) {
        std::printf("%s%s%c\n", argv[0] ? argv[0] : "", message, c);
        std::fflush(stdout);
    }
}

// Moves past the current option character, to the next argument at its end.
void Advance(char** argv) {
    ++g_pos;
    if (argv[poptind][g_pos] == '\0') {
        g_pos = 1;
        ++poptind;
    }
}

}  // namespace

int getopt(int argc, char** argv, const char* opts) {
    if (argv == nullptr || opts == nullptr) return -1;
    if (g_pos != 1 && (g_posInd != poptind || poptind >= argc || g_posArg != argv[poptind])) g_pos = 1;
    if (g_pos == 1) {
        if (poptind >= argc || argv[poptind] == nullptr || argv[poptind][0] != '-' || argv[poptind][1] == '\0')
            return -1;
        if (std::strcmp(argv[poptind], "--") == 0) {
            ++poptind;
            return -1;
        }
    }
    char* arg = argv[poptind];
    int c = static_cast<unsigned char>(arg[g_pos]);
    poptopt = c;
    const char* spec = c == ':' ? nullptr : std::strchr(opts, c);
    if (spec == nullptr) {
        Report(argv, ": illegal option - ", c);
        Advance(argv);
        g_posArg = poptind < argc ? argv[poptind] : nullptr;
        g_posInd = poptind;
        return '?';
    }
    if (spec[1] == ':') {
        if (arg[g_pos + 1] != '\0') {
            poptarg = &arg[g_pos + 1];
            ++poptind;
        } else if (++poptind >= argc) {
            Report(argv, ": option requires an argument - ", c);
            g_pos = 1;
            return '?';
        } else {
            poptarg = argv[poptind++];
        }
        g_pos = 1;
        return c;
    }
    Advance(argv);
    g_posArg = poptind < argc ? argv[poptind] : nullptr;
    g_posInd = poptind;
    poptarg = nullptr;
    return c;
}

}  // namespace portlib
