// The timers' real clock: CLOCK_MONOTONIC, in whole milliseconds. A step of
// the wall clock moves no fire time; whole milliseconds keep the time to the
// next timer exact, so a wait ends at or after the fire time, never just
// before it (which would cost a turn that finds nothing due).
#pragma once

#include "TimerClock.h"

class MonotonicTimerClock : public TimerClock {
public:
    int Now(unsigned& secs, unsigned& microSecs) override;
    // The one instance the timer manager uses unless told otherwise.
    static MonotonicTimerClock& Instance();
};
