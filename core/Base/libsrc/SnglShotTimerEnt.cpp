#include "SnglShotTimerEnt.h"

#include "ClassDefine.h"
#include "TimerManager.h"

MXR_LOCAL_CLASS_DEFINE(SnglShotTimerEnt);

SnglShotTimerEnt::SnglShotTimerEnt() : SecsWhenSet(0), MicroSecsWhenSet(0), WaitTime(0) {
    MXR_METHOD_FRAME("SnglShotTimerEnt", 0);
}

SnglShotTimerEnt::SnglShotTimerEnt(const BaseMsgPtr& msg, unsigned waitMs)
    : BaseTimerEnt(msg), SecsWhenSet(0), MicroSecsWhenSet(0), WaitTime(waitMs) {
    MXR_METHOD_FRAME("SnglShotTimerEnt", 2);
    TimerManager::GetCurrentTime(SecsWhenSet, MicroSecsWhenSet);
}

SnglShotTimerEnt::~SnglShotTimerEnt() { MXR_METHOD_FRAME("~SnglShotTimerEnt", 0); }

int SnglShotTimerEnt::Reset() {
    MXR_METHOD_FRAME("Reset", 0);
    TimerManager::GetCurrentTime(SecsWhenSet, MicroSecsWhenSet);
    return 1;
}

unsigned SnglShotTimerEnt::GetFireSecs() const {
    MXR_METHOD_FRAME("GetFireSecs", 0);
    return FireSecs(SecsWhenSet, MicroSecsWhenSet, WaitTime);
}

unsigned SnglShotTimerEnt::GetFireMicroSecs() const {
    MXR_METHOD_FRAME("GetFireMicroSecs", 0);
    return FireMicroSecs(MicroSecsWhenSet, WaitTime);
}

unsigned SnglShotTimerEnt::GetSecsWhenSet() const {
    MXR_METHOD_FRAME("GetSecsWhenSet", 0);
    return SecsWhenSet;
}

void SnglShotTimerEnt::SetSecsWhenSet(unsigned secs) {
    MXR_METHOD_FRAME("SetSecsWhenSet", 1);
    SecsWhenSet = secs;
}

unsigned SnglShotTimerEnt::GetMicroSecsWhenSet() const {
    MXR_METHOD_FRAME("GetMicroSecsWhenSet", 0);
    return MicroSecsWhenSet;
}

void SnglShotTimerEnt::SetMicroSecsWhenSet(unsigned microSecs) {
    MXR_METHOD_FRAME("SetMicroSecsWhenSet", 1);
    MicroSecsWhenSet = microSecs;
}

unsigned SnglShotTimerEnt::GetWaitTime() const {
    MXR_METHOD_FRAME("GetWaitTime", 0);
    return WaitTime;
}

void SnglShotTimerEnt::SetWaitTime(unsigned waitMs) {
    MXR_METHOD_FRAME("SetWaitTime", 1);
    WaitTime = waitMs;
}
