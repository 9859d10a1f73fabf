#include "qdbexec.h"
#include "qdbpaths.h"

#include <cstring>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace cfgstore {

std::optional<int> PriorityNice(const char* prioClass, int threadPriority) {
    int base = 0;
    if (prioClass != nullptr && std::strcmp(prioClass, "RT") == 0) {
        base = 13;  // the high class
    } else if (prioClass != nullptr && std::strcmp(prioClass, "TS") == 0) {
        base = 8;  // the normal class
    } else {
        return std::nullopt;
    }
    if (threadPriority < -2) threadPriority = -2;
    if (threadPriority > 2) threadPriority = 2;
    return (8 - (base + threadPriority)) * 2;
}

std::optional<int> PrioritySetNice(int which) {
    const char* cls = nullptr;
    short rt = 0, ts = 0;
    switch (which) {
    case 0: cls = pQdb_mxrprioclass, rt = pQdb_mxrrtpri, ts = pQdb_mxrtspri; break;
    case 1: cls = pQdb_qdbprioclass, rt = pQdb_qdbrtpri, ts = pQdb_qdbtspri; break;
    case 2: cls = pQdb_othprioclass, rt = pQdb_othrtpri, ts = pQdb_othtspri; break;
    default: return PriorityNice("TS", 0);
    }
    // Before the tunables are read the class is the default "RT".
    if (cls == nullptr) cls = "RT";
    const bool high = std::strcmp(cls, "RT") == 0;
    return PriorityNice(cls, high ? rt : ts);
}

}  // namespace cfgstore

extern "C" int sethvpriority(int which) {
    const std::optional<int> nice = cfgstore::PrioritySetNice(which);
    if (!nice) return 0;
    // A nice value is per thread on Linux: this sets the calling thread's.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    return ::setpriority(PRIO_PROCESS, tid, *nice) == 0 ? 1 : 0;
}
