// A started timer: the message to queue when it fires, and its tag. The
// fire time is WaitTime ms after the set time, both on the timers' clock
// (TimerManager::GetCurrentTime). Abstract: a one-shot or a repeating entry.
#pragma once

#include "BaseMsg.h"
#include "ClassPattern.h"
#include "TimerTag.h"

class BaseTimerEnt : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(BaseTimerEnt, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("tagPtr", TagPtr), MXR_FIELD("msgPtr", MsgPtr));

public:
    // An empty tag and message (a decoded entry).
    BaseTimerEnt();
    // Holds msg; takes a free tag from the pool.
    explicit BaseTimerEnt(const BaseMsgPtr& msg);
    ~BaseTimerEnt() override;

    // slot 7: after a firing; non-zero puts the entry back on the wait list.
    virtual int ReInit();
    // slot 8: the delay starts again now; non-zero when the entry waits again.
    virtual int Reset();
    // slots 9, 10: the fire time.
    virtual unsigned GetFireSecs() const = 0;
    virtual unsigned GetFireMicroSecs() const = 0;

    // Due at (secs, microSecs): the fire time is not after it.
    int IsExpired(unsigned secs, unsigned microSecs) const;
    // Strictly earlier fire time.
    int operator<(const BaseTimerEnt& o) const;

    TimerTagPtr GetTagPtr() const;
    void SetTagPtr(const TimerTagPtr& tag);
    BaseMsgPtr GetMsgPtr() const;
    void SetMsgPtr(const BaseMsgPtr& msg);

protected:
    // (secs, microSecs) + waitMs, microseconds kept below one second.
    static unsigned FireSecs(unsigned secs, unsigned microSecs, unsigned waitMs);
    static unsigned FireMicroSecs(unsigned microSecs, unsigned waitMs);

private:
    TimerTagPtr TagPtr;
    BaseMsgPtr MsgPtr;
};
MXR_COMPANIONS(BaseTimerEnt);
