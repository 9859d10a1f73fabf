// The wall-clock time, for times that are shown or stored. Timers and
// time-outs never read it (TimerManager reads the monotonic clock).
#pragma once

#include <sys/time.h>

namespace hv {

// Seconds and whole milliseconds (as microseconds) since the epoch.
// Returns 0, or -1 when tv is null.
int gettimeofday(timeval* tv);

}  // namespace hv
