#include "ErrorReportStandIn.h"

#include <cstdarg>
#include <cstdio>

void set_errinfo(const char*, const char*, int, const char*) {}

int pxm_err(int severity, int messageId, const char*, int, int, int, const char* format, ...) {
    std::fprintf(stderr, "[%d/%d] ", severity, messageId);
    va_list ap;
    va_start(ap, format);
    std::vfprintf(stderr, format, ap);
    va_end(ap);
    return 0;
}
