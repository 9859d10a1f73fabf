#include "ErrIdentity.h"

#include "qdberr.h"
#include "UnixPath.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <unistd.h>

namespace cfgstore {

namespace {

std::mutex g_identityMutex;
ErrIdentity g_identity;

// At most 63 characters, always terminated.
void CopyBounded(char (&dst)[64], const char* src) {
    std::strncpy(dst, src, sizeof dst - 1);
    dst[sizeof dst - 1] = '\0';
}

}  // namespace

ErrIdentity CurrentErrIdentity() {
    std::lock_guard<std::mutex> hold(g_identityMutex);
    return g_identity;
}

int FacilityOfLogName(const char* logname) {
    std::string copy(logname);
    const char* base = portlib::basename(copy.data());
    if (::strcasecmp(base, "QDB") == 0) return 3;
    if (::strcasecmp(base, "MXR") == 0) return 5;
    if (::strcasecmp(base, "HVINIT") == 0) return 7;
    return 1;
}

void NoticeToStderr(const char* text) {
    if (!CurrentErrIdentity().streams) return;
    std::fflush(stderr);
    ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)n;
}

}  // namespace cfgstore

extern "C" void set_errinfo(const char* label, const char* logname, int defflags, const char* extralabel) {
    using namespace cfgstore;
    // The log name is looked at whole; only its last component matters.
    int facility = logname ? FacilityOfLogName(logname) : 1;
    std::lock_guard<std::mutex> hold(g_identityMutex);
    if (label) {
        std::string copy(label);
        CopyBounded(g_identity.label, portlib::basename(copy.data()));
    }
    g_identity.facility = facility;
    if (defflags != 0) g_identity.defflags = defflags & 0xFFFF;
    if (extralabel) CopyBounded(g_identity.extra, extralabel);
    g_identity.streams = true;
}
