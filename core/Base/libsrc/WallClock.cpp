#include "WallClock.h"

#include "FuncInfo.h"
#include <cerrno>
#include <ctime>

namespace hv {

int gettimeofday(timeval* tv) {
    MXR_FRAME("hv", "gettimeofday", 1, "WallClock.c");
    if (tv == nullptr) {
        errno = EINVAL;
        return -1;
    }
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tv->tv_sec = ts.tv_sec;
    tv->tv_usec = (ts.tv_nsec / 1000000) * 1000;
    return 0;
}

}  // namespace hv
