// A timer that fires every WaitTime ms, RepeatCount times (0xFFFFFFFF: without
// end). Each next firing counts from the moment the last one was processed.
// A WaitTime of 0 runs as 1 ms.
#pragma once

#include "BaseTimerEnt.h"

class MultiShotTimerEnt : public BaseTimerEnt {
    MXR_LOCAL_CLASS(MultiShotTimerEnt, BaseTimerEnt);
    MXR_FIELDS(MXR_FIELD("secsWhenSet", SecsWhenSet), MXR_FIELD("microSecsWhenSet", MicroSecsWhenSet),
               MXR_FIELD("waitTime", WaitTime), MXR_FIELD("repeatCount", RepeatCount),
               MXR_FIELD("firedCount", FiredCount));

public:
    static constexpr unsigned kRepeatForever = 0xFFFFFFFFu;

    MultiShotTimerEnt();
    // Set now, to fire every waitMs, repeatCount times.
    MultiShotTimerEnt(const BaseMsgPtr& msg, unsigned waitMs, unsigned repeatCount);
    ~MultiShotTimerEnt() override;

    int ReInit() override;
    int Reset() override;
    unsigned GetFireSecs() const override;
    unsigned GetFireMicroSecs() const override;

    unsigned GetSecsWhenSet() const;
    void SetSecsWhenSet(unsigned secs);
    unsigned GetMicroSecsWhenSet() const;
    void SetMicroSecsWhenSet(unsigned microSecs);
    unsigned GetWaitTime() const;
    void SetWaitTime(unsigned waitMs);
    unsigned GetRepeatCount() const;
    void SetRepeatCount(unsigned count);
    unsigned GetFiredCount() const;
    void SetFiredCount(unsigned count);

private:
    // WaitTime as the timer runs it: at least 1 ms.
    unsigned Period() const;

    unsigned SecsWhenSet;
    unsigned MicroSecsWhenSet;
    unsigned WaitTime;
    unsigned RepeatCount;
    unsigned FiredCount;
};
MXR_COMPANIONS(MultiShotTimerEnt);
