// A timers' clock that moves only when the test moves it; installed for the
// life of the object and the process's own clock put back afterwards.
#pragma once

#include "TimerClock.h"
#include "TimerManager.h"

class ManualTimerClock : public TimerClock {
public:
    ManualTimerClock(unsigned secs = 1000, unsigned microSecs = 0) : s(secs), us(microSecs) {
        TimerManager::SetClock(this);
    }
    ~ManualTimerClock() override { TimerManager::SetClock(nullptr); }
    ManualTimerClock(const ManualTimerClock&) = delete;
    ManualTimerClock& operator=(const ManualTimerClock&) = delete;

    int Now(unsigned& secs, unsigned& microSecs) override {
        if (failing) return -1;
        secs = s;
        microSecs = us;
        return 0;
    }
    void Set(unsigned secs, unsigned microSecs) {
        s = secs;
        us = microSecs;
    }
    void AdvanceUs(unsigned long long delta) {
        const unsigned long long total = static_cast<unsigned long long>(us) + delta;
        s += static_cast<unsigned>(total / 1000000);
        us = static_cast<unsigned>(total % 1000000);
    }
    void AdvanceMs(unsigned ms) { AdvanceUs(ms * 1000ULL); }

    bool failing = false;

private:
    unsigned s;
    unsigned us;
};
