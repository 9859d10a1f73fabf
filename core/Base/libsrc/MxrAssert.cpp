#include "MxrAssert.h"

#include <cstdio>
#include <cstdlib>

void MxrAssertFail(const char* condition, const char* source, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", condition ? condition : "",
                 source ? source : "", line);
    std::fflush(stderr);
    std::abort();
}
