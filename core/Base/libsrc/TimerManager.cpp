#include "TimerManager.h"

#include <cstdio>

#include "BaseWorld.h"
#include "EnumDefine.h"
#include "FuncInfo.h"
#include "MonotonicTimerClock.h"
#include "MultiShotTimerEnt.h"
#include "MxrAssert.h"
#include "SnglShotTimerEnt.h"
#include "TimerFiredMsg.h"

#define TIMERMGR_FRAME(func, parms) MXR_FRAME("TimerManager", (func), (parms), "TimerManager.c")

MXR_ENUM_TABLE(TimerManager, GetEnMaxValuesCvtPtr, MSECSTONEXTTIMERMAX);

namespace {
TimerClock* timerClock = nullptr;

TimerManager& CurrentTimerManager() {
    BaseWorld* world = BaseWorld::GetWorldPtr();
    MXR_ASSERT(world != 0, "worldPtr != 0", "TimerManager");
    return world->GetTimerManager();
}

unsigned TagValueOf(const TimerTagPtr& tag) { return tag->GetTagValue(); }
}  // namespace

TimerManager::TimerManager() { TIMERMGR_FRAME("TimerManager", 0); }

TimerManager::~TimerManager() {
    TIMERMGR_FRAME("~TimerManager", 0);
    Clear();
}

void TimerManager::Clear() {
    TIMERMGR_FRAME("Clear", 0);
    // One at a time: an entry's message may hold something whose destructor
    // cancels another timer.
    BasePtr gone;
    while (WaitList.Remove(gone)) gone = BasePtr();
    while (DispatchList.Remove(gone)) gone = BasePtr();
}

TimerTagPtr TimerManager::SetOneShotTimer(const BaseMsgPtr& msg, unsigned delayMs) {
    TIMERMGR_FRAME("SetOneShotTimer", 2);
    BaseTimerEntPtr ent(new SnglShotTimerEnt(msg, delayMs));
    CurrentTimerManager().AddTimerEntToWaitLst(ent);
    return ent->GetTagPtr();
}

TimerTagPtr TimerManager::SetMultiShotTimer(const BaseMsgPtr& msg, unsigned delayMs, unsigned repeatCount) {
    TIMERMGR_FRAME("SetMultiShotTimer", 3);
    BaseTimerEntPtr ent(new MultiShotTimerEnt(msg, delayMs, repeatCount));
    CurrentTimerManager().AddTimerEntToWaitLst(ent);
    return ent->GetTagPtr();
}

void TimerManager::AddTimerEntToWaitLst(const BaseTimerEntPtr& ent) {
    TIMERMGR_FRAME("AddTimerEntToWaitLst", 1);
    // The list is ordered: an entry that is not earlier than the last one is
    // earlier than none, and goes at the end. Timers of one delay always do,
    // so a start costs the same with a thousand timers waiting as with one.
    const BaseTimerEntPtr tail(WaitList.GetLast());
    if (tail.GetPtr() == nullptr || !(*ent.GetPtr() < *tail.GetPtr())) {
        WaitList.Append(ent);
        return;
    }
    BaseTimerEntLstIter it(WaitList);
    for (BaseTimerEntPtr cur = it.First(); cur.GetPtr() != nullptr; cur = it.Next()) {
        if (*ent.GetPtr() < *cur.GetPtr()) {
            it.Insert(ent);
            return;
        }
    }
    WaitList.Append(ent);
}

int TimerManager::RemoveTagged(BaseTimerEntLst& lst, unsigned tagValue, BaseTimerEntPtr* first, bool once) {
    TIMERMGR_FRAME("RemoveTagged", 4);
    // Released only after the walk: an entry's message may hold something
    // whose destructor starts or cancels timers.
    BaseTimerEntLst removed;
    BaseTimerEntLstIter it(lst);
    it.First();
    for (BaseTimerEntPtr cur = it.GetCurrent(); cur.GetPtr() != nullptr; cur = it.GetCurrent()) {
        TimerTagPtr tag = cur->GetTagPtr();
        if (tag.GetPtr() != nullptr && tag->GetTagValue() == tagValue) {
            if (first != nullptr && first->GetPtr() == nullptr) *first = cur;
            removed.Append(cur);
            it.DeleteCurrentItem();
            if (once) break;
        } else {
            it.Next();
        }
    }
    return removed.GetItemCnt();
}

int TimerManager::CancelTimer(const TimerTagPtr& tag) {
    TIMERMGR_FRAME("CancelTimer", 1);
    if (tag.GetPtr() == nullptr) return 0;
    const unsigned value = TagValueOf(tag);
    int removed = RemoveTagged(WaitList, value, nullptr, true);
    removed += RemoveTagged(DispatchList, value, nullptr, false);
    return removed > 0 ? 1 : 0;
}

int TimerManager::ResetTimer(const TimerTagPtr& tag) {
    TIMERMGR_FRAME("ResetTimer", 1);
    BaseTimerEntPtr kept;
    if (tag.GetPtr() != nullptr) {
        const unsigned value = TagValueOf(tag);
        RemoveTagged(WaitList, value, &kept, true);
        RemoveTagged(DispatchList, value, &kept, false);
    }
    if (kept.GetPtr() == nullptr) {
        std::fprintf(stderr, "TimerManger::ResetTimer pass TimerTagPtr that is not found\n");
        return 0;
    }
    kept->Reset();
    AddTimerEntToWaitLst(kept);
    return 1;
}

unsigned TimerManager::GetMSecsToNextTimer() {
    TIMERMGR_FRAME("GetMSecsToNextTimer", 0);
    BaseTimerEntLstIter it(WaitList);
    BaseTimerEntPtr head = it.First();
    if (head.GetPtr() == nullptr) return static_cast<unsigned>(MSECSTONEXTTIMERMAX);
    unsigned ns = 0, nu = 0;
    GetCurrentTime(ns, nu);
    if (head->IsExpired(ns, nu)) return 0;
    unsigned fs = head->GetFireSecs();
    unsigned fu = head->GetFireMicroSecs();
    if (fu < nu) {
        fs -= 1;
        fu += 1000000;
    }
    return (fs - ns) * 1000 + (fu - nu + 500) / 1000;
}

void TimerManager::ProcessTimers() {
    TIMERMGR_FRAME("ProcessTimers", 0);
    if (WaitList.GetItemCnt() == 0) return;  // no clock read for nothing
    unsigned ns = 0, nu = 0;
    GetCurrentTime(ns, nu);
    for (;;) {
        BaseTimerEntLstIter it(WaitList);
        BaseTimerEntPtr head = it.First();
        if (head.GetPtr() == nullptr || !head->IsExpired(ns, nu)) return;
        BasePtr taken;
        WaitList.Remove(taken);
        DispatchList.Append(head);
        BaseMsgPtr fired(new TimerFiredMsg(head->GetMsgPtr(), head->GetTagPtr()));
        fired.Send();
        if (head->ReInit()) AddTimerEntToWaitLst(head);
    }
}

int TimerManager::TakeFired(const TimerTag& tag) {
    TIMERMGR_FRAME("TakeFired", 1);
    BaseTimerEntLstIter it(DispatchList);
    for (BaseTimerEntPtr cur = it.First(); cur.GetPtr() != nullptr; cur = it.Next()) {
        TimerTagPtr t = cur->GetTagPtr();
        if (t.GetPtr() != nullptr && *t.GetPtr() == tag) {
            it.DeleteCurrentItem();
            return 1;
        }
    }
    return 0;
}

BaseTimerEntLst& TimerManager::GetWaitList() {
    TIMERMGR_FRAME("GetWaitList", 0);
    return WaitList;
}

BaseTimerEntLst& TimerManager::GetDispatchList() {
    TIMERMGR_FRAME("GetDispatchList", 0);
    return DispatchList;
}

void TimerManager::GetCurrentTime(unsigned& secs, unsigned& microSecs) {
    TIMERMGR_FRAME("GetCurrentTime", 2);
    const int rc_gettimeofday = GetClock().Now(secs, microSecs);
    MXR_ASSERT(rc_gettimeofday == 0, "rc_gettimeofday == 0", "TimerManager");
}

void TimerManager::SetClock(TimerClock* clock) {
    TIMERMGR_FRAME("SetClock", 1);
    timerClock = clock;
}

TimerClock& TimerManager::GetClock() {
    TIMERMGR_FRAME("GetClock", 0);
    return timerClock != nullptr ? *timerClock : MonotonicTimerClock::Instance();
}
