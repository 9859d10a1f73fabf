#include "BaseTimerEnt.h"

#include "ClassDefine.h"

MXR_ABSTRACT_CLASS_DEFINE(BaseTimerEnt);

BaseTimerEnt::BaseTimerEnt() { MXR_METHOD_FRAME("BaseTimerEnt", 0); }

BaseTimerEnt::BaseTimerEnt(const BaseMsgPtr& msg) : TagPtr(TimerTag::GetTimerTag()), MsgPtr(msg) {
    MXR_METHOD_FRAME("BaseTimerEnt", 1);
}

BaseTimerEnt::~BaseTimerEnt() { MXR_METHOD_FRAME("~BaseTimerEnt", 0); }

int BaseTimerEnt::ReInit() {
    MXR_METHOD_FRAME("ReInit", 0);
    return 0;
}

int BaseTimerEnt::Reset() {
    MXR_METHOD_FRAME("Reset", 0);
    return 0;
}

int BaseTimerEnt::IsExpired(unsigned secs, unsigned microSecs) const {
    MXR_METHOD_FRAME("IsExpired", 2);
    const unsigned fs = GetFireSecs();
    return (fs < secs || (fs == secs && GetFireMicroSecs() <= microSecs)) ? 1 : 0;
}

int BaseTimerEnt::operator<(const BaseTimerEnt& o) const {
    MXR_METHOD_FRAME("operator<", 1);
    const unsigned fs = GetFireSecs();
    const unsigned ofs = o.GetFireSecs();
    return (fs < ofs || (fs == ofs && GetFireMicroSecs() < o.GetFireMicroSecs())) ? 1 : 0;
}

TimerTagPtr BaseTimerEnt::GetTagPtr() const {
    MXR_METHOD_FRAME("GetTagPtr", 0);
    return TagPtr;
}

void BaseTimerEnt::SetTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetTagPtr", 1);
    TagPtr = tag;
}

BaseMsgPtr BaseTimerEnt::GetMsgPtr() const {
    MXR_METHOD_FRAME("GetMsgPtr", 0);
    return MsgPtr;
}

void BaseTimerEnt::SetMsgPtr(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SetMsgPtr", 1);
    MsgPtr = msg;
}

unsigned BaseTimerEnt::FireSecs(unsigned secs, unsigned microSecs, unsigned waitMs) {
    MXR_METHOD_FRAME("FireSecs", 3);
    const unsigned us = microSecs + (waitMs % 1000) * 1000;
    return secs + waitMs / 1000 + (us >= 1000000 ? 1 : 0);
}

unsigned BaseTimerEnt::FireMicroSecs(unsigned microSecs, unsigned waitMs) {
    MXR_METHOD_FRAME("FireMicroSecs", 2);
    return (microSecs + (waitMs % 1000) * 1000) % 1000000;
}
