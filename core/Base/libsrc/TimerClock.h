// The time source of the timers: seconds and microseconds on a clock that
// never steps. The process's timers read one clock (TimerManager::SetClock);
// tests put a clock of their own in its place so that time-outs never sleep.
#pragma once

class TimerClock {
public:
    virtual ~TimerClock() = default;
    // The time now; 0, or non-zero when the clock cannot be read.
    virtual int Now(unsigned& secs, unsigned& microSecs) = 0;
};
