// The handle of a started timer: a number that no two live timers share.
// Tags come from a process-wide pool and are reused once nothing but the
// pool holds them (no entry, no fired message, no caller).
#pragma once

#include "ClassPattern.h"

class TimerTag : public BaseVirtItem {
    MXR_LOCAL_CLASS(TimerTag, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("tagValue", TagValue));

public:
    // Takes the next tag value (a decoded tag is given its own value next).
    TimerTag();
    ~TimerTag() override;

    unsigned GetTagValue() const;
    void SetTagValue(unsigned value);
    // Equal when the values are equal.
    int operator==(const TimerTag& o) const;

    // Cancel or restart this tag's timer in the current world (TimerManager).
    int CancelTimer();
    int ResetTimer();

    // A free tag from the pool, or a new one added to it.
    static TypedPtr<TimerTag> GetTimerTag();
    static unsigned GetNextTagValue();
    // The pool: every tag ever made, most recently handed out last.
    static TypedLst<TimerTag>& GetTagList();

private:
    unsigned TagValue;
    static unsigned nextTagValue;
};
MXR_COMPANIONS(TimerTag);
