#include "MonotonicTimerClock.h"

#include <ctime>

#include "FuncInfo.h"

int MonotonicTimerClock::Now(unsigned& secs, unsigned& microSecs) {
    MXR_FRAME("MonotonicTimerClock", "Now", 2, "MonotonicTimerClock.c");
    timespec ts;
    if (::clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return -1;
    secs = static_cast<unsigned>(ts.tv_sec);
    microSecs = static_cast<unsigned>(ts.tv_nsec / 1000000) * 1000;
    return 0;
}

MonotonicTimerClock& MonotonicTimerClock::Instance() {
    MXR_FRAME("MonotonicTimerClock", "Instance", 0, "MonotonicTimerClock.c");
    // Never destroyed: timers may be read while statics are torn down at exit.
    static MonotonicTimerClock* clock = new MonotonicTimerClock;
    return *clock;
}
