#include "ToolUsage.h"

#include <cstdio>
#include <cstring>

int NoArgumentsOrUsage(int argc, char** argv, const char* program, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "%s: unknown argument \"%s\"\n\n%s", program, argv[i], usage);
        return 1;
    }
    return -1;
}
