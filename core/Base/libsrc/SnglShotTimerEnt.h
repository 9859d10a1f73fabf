// A timer that fires once, WaitTime ms after it was set (or last reset).
#pragma once

#include "BaseTimerEnt.h"

class SnglShotTimerEnt : public BaseTimerEnt {
    MXR_LOCAL_CLASS(SnglShotTimerEnt, BaseTimerEnt);
    MXR_FIELDS(MXR_FIELD("secsWhenSet", SecsWhenSet), MXR_FIELD("microSecsWhenSet", MicroSecsWhenSet),
               MXR_FIELD("waitTime", WaitTime));

public:
    SnglShotTimerEnt();
    // Set now, to fire after waitMs.
    SnglShotTimerEnt(const BaseMsgPtr& msg, unsigned waitMs);
    ~SnglShotTimerEnt() override;

    int Reset() override;
    unsigned GetFireSecs() const override;
    unsigned GetFireMicroSecs() const override;

    unsigned GetSecsWhenSet() const;
    void SetSecsWhenSet(unsigned secs);
    unsigned GetMicroSecsWhenSet() const;
    void SetMicroSecsWhenSet(unsigned microSecs);
    unsigned GetWaitTime() const;
    void SetWaitTime(unsigned waitMs);

private:
    unsigned SecsWhenSet;
    unsigned MicroSecsWhenSet;
    unsigned WaitTime;
};
MXR_COMPANIONS(SnglShotTimerEnt);
