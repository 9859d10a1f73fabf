// What a timer queues when it fires: the timer's own message and its tag.
// Just before delivery the world swaps it for the held message, provided the
// timer still stands on the dispatch list (it was not cancelled or reset
// since it fired); otherwise it is dropped without a word.
#pragma once

#include "BaseMsg.h"
#include "TimerTag.h"

class TimerFiredMsg : public BaseMsg {
    MXR_LOCAL_CLASS(TimerFiredMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("heldMsgPtr", HeldMsgPtr), MXR_FIELD("heldTimerTagPtr", HeldTimerTagPtr));

public:
    TimerFiredMsg();
    TimerFiredMsg(const BaseMsgPtr& msg, const TimerTagPtr& tag);
    ~TimerFiredMsg() override;

    BaseMsgPtr GetMsgPtrForDispatch() override;

    BaseMsgPtr GetHeldMsgPtr() const;
    void SetHeldMsgPtr(const BaseMsgPtr& msg);
    TimerTagPtr GetHeldTimerTagPtr() const;
    void SetHeldTimerTagPtr(const TimerTagPtr& tag);

private:
    BaseMsgPtr HeldMsgPtr;
    TimerTagPtr HeldTimerTagPtr;
};
MXR_COMPANIONS(TimerFiredMsg);
