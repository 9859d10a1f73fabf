#include "MultiShotTimerEnt.h"

#include "ClassDefine.h"
#include "TimerManager.h"

MXR_LOCAL_CLASS_DEFINE(MultiShotTimerEnt);

MultiShotTimerEnt::MultiShotTimerEnt()
    : SecsWhenSet(0), MicroSecsWhenSet(0), WaitTime(0), RepeatCount(kRepeatForever), FiredCount(0) {
    MXR_METHOD_FRAME("MultiShotTimerEnt", 0);
}

MultiShotTimerEnt::MultiShotTimerEnt(const BaseMsgPtr& msg, unsigned waitMs, unsigned repeatCount)
    : BaseTimerEnt(msg), SecsWhenSet(0), MicroSecsWhenSet(0), WaitTime(waitMs), RepeatCount(repeatCount),
      FiredCount(0) {
    MXR_METHOD_FRAME("MultiShotTimerEnt", 3);
    TimerManager::GetCurrentTime(SecsWhenSet, MicroSecsWhenSet);
}

MultiShotTimerEnt::~MultiShotTimerEnt() { MXR_METHOD_FRAME("~MultiShotTimerEnt", 0); }

int MultiShotTimerEnt::ReInit() {
    MXR_METHOD_FRAME("ReInit", 0);
    ++FiredCount;
    if (RepeatCount != kRepeatForever && RepeatCount <= FiredCount) return 0;
    TimerManager::GetCurrentTime(SecsWhenSet, MicroSecsWhenSet);
    return 1;
}

int MultiShotTimerEnt::Reset() {
    MXR_METHOD_FRAME("Reset", 0);
    TimerManager::GetCurrentTime(SecsWhenSet, MicroSecsWhenSet);
    return 1;
}

unsigned MultiShotTimerEnt::GetFireSecs() const {
    MXR_METHOD_FRAME("GetFireSecs", 0);
    return FireSecs(SecsWhenSet, MicroSecsWhenSet, Period());
}

unsigned MultiShotTimerEnt::GetFireMicroSecs() const {
    MXR_METHOD_FRAME("GetFireMicroSecs", 0);
    return FireMicroSecs(MicroSecsWhenSet, Period());
}

unsigned MultiShotTimerEnt::Period() const {
    // Re-armed at the time of processing, a period of 0 would be due again at
    // once and the timer pass would never end.
    return WaitTime == 0 ? 1 : WaitTime;
}

unsigned MultiShotTimerEnt::GetSecsWhenSet() const {
    MXR_METHOD_FRAME("GetSecsWhenSet", 0);
    return SecsWhenSet;
}

void MultiShotTimerEnt::SetSecsWhenSet(unsigned secs) {
    MXR_METHOD_FRAME("SetSecsWhenSet", 1);
    SecsWhenSet = secs;
}

unsigned MultiShotTimerEnt::GetMicroSecsWhenSet() const {
    MXR_METHOD_FRAME("GetMicroSecsWhenSet", 0);
    return MicroSecsWhenSet;
}

void MultiShotTimerEnt::SetMicroSecsWhenSet(unsigned microSecs) {
    MXR_METHOD_FRAME("SetMicroSecsWhenSet", 1);
    MicroSecsWhenSet = microSecs;
}

unsigned MultiShotTimerEnt::GetWaitTime() const {
    MXR_METHOD_FRAME("GetWaitTime", 0);
    return WaitTime;
}

void MultiShotTimerEnt::SetWaitTime(unsigned waitMs) {
    MXR_METHOD_FRAME("SetWaitTime", 1);
    WaitTime = waitMs;
}

unsigned MultiShotTimerEnt::GetRepeatCount() const {
    MXR_METHOD_FRAME("GetRepeatCount", 0);
    return RepeatCount;
}

void MultiShotTimerEnt::SetRepeatCount(unsigned count) {
    MXR_METHOD_FRAME("SetRepeatCount", 1);
    RepeatCount = count;
}

unsigned MultiShotTimerEnt::GetFiredCount() const {
    MXR_METHOD_FRAME("GetFiredCount", 0);
    return FiredCount;
}

void MultiShotTimerEnt::SetFiredCount(unsigned count) {
    MXR_METHOD_FRAME("SetFiredCount", 1);
    FiredCount = count;
}
