// The timers of a world: the started ones ordered by fire time, and the fired
// ones whose message is queued but not yet dispatched. Held by value in the
// world; not a framework object.
//
// Time comes from one process-wide clock, CLOCK_MONOTONIC unless a test puts
// another in its place (SetClock): a step of the wall clock never fires or
// stalls a timer.
#pragma once

#include "BaseMsg.h"
#include "BaseTimerEnt.h"
#include "EnumPattern.h"
#include "TimerClock.h"
#include "TimerTag.h"

class TimerManager {
public:
    // Trace and converter names (the manager is not a framework object).
    struct MxrNames {
        static constexpr const char* cls = "TimerManager";
        static constexpr const char* src = "TimerManager.c";
    };

    // GetMSecsToNextTimer's answer when no timer waits (0xFFFFFFFF).
    enum enMaxValues : int { MSECSTONEXTTIMERMAX = -1 };
    MXR_ENUM(enMaxValues, GetEnMaxValuesCvtPtr);

    TimerManager();
    ~TimerManager();
    TimerManager(const TimerManager&) = delete;
    TimerManager& operator=(const TimerManager&) = delete;

    // Start a timer in the current world: msg is queued once after delayMs,
    // or every delayMs, repeatCount times (0xFFFFFFFF: without end). The tag
    // cancels or restarts it.
    static TimerTagPtr SetOneShotTimer(const BaseMsgPtr& msg, unsigned delayMs);
    static TimerTagPtr SetMultiShotTimer(const BaseMsgPtr& msg, unsigned delayMs, unsigned repeatCount);

    // Removes the tag's entries from both lists (a fired message not yet
    // dispatched is then never delivered): 1 when any was removed.
    int CancelTimer(const TimerTagPtr& tag);
    // Restarts the tag's timer from now (a pending delivery is dropped as
    // with CancelTimer): 1, or 0 with a line on stderr when no entry has it.
    int ResetTimer(const TimerTagPtr& tag);

    // Milliseconds until the first timer is due, rounded to the nearest;
    // 0 when one is due; 0xFFFFFFFF when none waits.
    unsigned GetMSecsToNextTimer();
    // Queues a TimerFiredMsg for every timer that is due.
    void ProcessTimers();

    // The fired message's side of dispatch: takes the first dispatch-list
    // item with the tag's value; 1 when there was one.
    int TakeFired(const TimerTag& tag);

    BaseTimerEntLst& GetWaitList();
    BaseTimerEntLst& GetDispatchList();
    // Drops every entry (the world, before it goes).
    void Clear();

    // Now on the timers' clock; asserts "rc_gettimeofday == 0".
    static void GetCurrentTime(unsigned& secs, unsigned& microSecs);
    // The clock of every timer of the process; null puts the monotonic
    // clock back. The caller keeps its clock alive while it is set.
    static void SetClock(TimerClock* clock);
    static TimerClock& GetClock();

    // Adds a started entry to the wait list, after those that fire at the
    // same time or earlier.
    void AddTimerEntToWaitLst(const BaseTimerEntPtr& ent);

private:
    // Removes the entries with the tag's value from lst (only the first when
    // once: a tag is one timer's, and an entry waits at most once, while a
    // repeating one may stand on the dispatch list for several firings); the
    // first one removed goes to *first when asked. The number removed.
    static int RemoveTagged(BaseTimerEntLst& lst, unsigned tagValue, BaseTimerEntPtr* first, bool once);

    BaseTimerEntLst WaitList;
    BaseTimerEntLst DispatchList;
};
