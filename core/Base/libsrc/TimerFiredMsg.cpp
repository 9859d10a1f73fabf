#include "TimerFiredMsg.h"

#include "BaseWorld.h"
#include "ClassDefine.h"
#include "LogicalAddr.h"
#include "TimerManager.h"

MXR_LOCAL_CLASS_DEFINE(TimerFiredMsg);

TimerFiredMsg::TimerFiredMsg() { MXR_METHOD_FRAME("TimerFiredMsg", 0); }

TimerFiredMsg::TimerFiredMsg(const BaseMsgPtr& msg, const TimerTagPtr& tag) : HeldMsgPtr(msg), HeldTimerTagPtr(tag) {
    MXR_METHOD_FRAME("TimerFiredMsg", 2);
    // Never used by dispatch, which delivers the held message instead.
    BaseAddrPtr to(new LogicalAddr(LogicalAddr::MXRERRORHDLR));
    SetToAddr(to);
}

TimerFiredMsg::~TimerFiredMsg() { MXR_METHOD_FRAME("~TimerFiredMsg", 0); }

BaseMsgPtr TimerFiredMsg::GetMsgPtrForDispatch() {
    MXR_METHOD_FRAME("GetMsgPtrForDispatch", 0);
    BaseWorld* world = BaseWorld::GetWorldPtr();
    if (world == nullptr || HeldTimerTagPtr.GetPtr() == nullptr) return BaseMsgPtr();
    if (!world->GetTimerManager().TakeFired(*HeldTimerTagPtr.GetPtr())) return BaseMsgPtr();
    return HeldMsgPtr;
}

BaseMsgPtr TimerFiredMsg::GetHeldMsgPtr() const {
    MXR_METHOD_FRAME("GetHeldMsgPtr", 0);
    return HeldMsgPtr;
}

void TimerFiredMsg::SetHeldMsgPtr(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SetHeldMsgPtr", 1);
    HeldMsgPtr = msg;
}

TimerTagPtr TimerFiredMsg::GetHeldTimerTagPtr() const {
    MXR_METHOD_FRAME("GetHeldTimerTagPtr", 0);
    return HeldTimerTagPtr;
}

void TimerFiredMsg::SetHeldTimerTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetHeldTimerTagPtr", 1);
    HeldTimerTagPtr = tag;
}
