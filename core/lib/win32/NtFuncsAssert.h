// Required arguments of the registry and security functions: a null one is a
// programming error and stops the process, naming the check.
#pragma once

#include <cstdio>
#include <cstdlib>

#define HV_NTFUNCS_REQUIRE(cond, text)                                                   \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "Assertion failed: %s, file ntfuncs, line %d\n", text, __LINE__); \
            std::fflush(stderr);                                                         \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
