// Timers on a clock the tests move: fire times, order, repeats, cancelling
// and resetting around the dispatch of a fired timer, tag reuse, and the
// time to the next timer.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "BaseWorld.h"
#include "ManualTimerClock.h"
#include "MonotonicTimerClock.h"
#include "MultiShotTimerEnt.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "SnglShotTimerEnt.h"
#include "TimerFiredMsg.h"
#include "TimerManager.h"
#include "TimerTag.h"

namespace {

struct TimerFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    ManualTimerClock clock{1000, 0};
    BaseWorld world;
    RecordingRcvr rcvr;
    TimerManager& tm = world.GetTimerManager();

    BaseMsgPtr Notice(int n) { return BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), n)); }
    TimerTagPtr OneShot(int n, unsigned ms) {
        BaseMsgPtr m = Notice(n);
        return TimerManager::SetOneShotTimer(m, ms);
    }
    TimerTagPtr MultiShot(int n, unsigned ms, unsigned repeat) {
        BaseMsgPtr m = Notice(n);
        return TimerManager::SetMultiShotTimer(m, ms, repeat);
    }
    // Timers, then dispatch, with stderr captured; returns what it wrote.
    std::string Tick() {
        ::testing::internal::CaptureStderr();
        world.ProcessTimers();
        world.ProcessMessages();
        return ::testing::internal::GetCapturedStderr();
    }
};

using Timers = TimerFixture;

TEST(TimerEntry, FireTimeArithmetic) {
    ManualTimerClock clock;
    struct Case {
        unsigned s, us, waitMs, fireS, fireUs;
    };
    const Case cases[] = {
        {10, 800000, 1500, 12, 300000},  // microseconds carry into the seconds
        {10, 0, 0, 10, 0},
        {10, 999000, 1, 11, 0},          // exactly one second of microseconds
        {0, 500000, 999, 1, 499000},
        {7, 123000, 60000, 67, 123000},
        {0, 999999, 0xFFFFFFFFu, 4294968, 294999},  // the longest delay: no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.s << "s " << c.us << "us + " << c.waitMs << "ms");
        clock.Set(c.s, c.us);
        SnglShotTimerEnt one(BaseMsgPtr(), c.waitMs);
        MultiShotTimerEnt multi(BaseMsgPtr(), c.waitMs, 3);
        for (const BaseTimerEnt* e : {static_cast<const BaseTimerEnt*>(&one), static_cast<const BaseTimerEnt*>(&multi)}) {
            if (e == &multi && c.waitMs == 0) continue;  // a repeating timer runs 0 ms as 1 (below)
            EXPECT_EQ(e->GetFireSecs(), c.fireS);
            EXPECT_EQ(e->GetFireMicroSecs(), c.fireUs);
            // Due at its exact fire time, not a microsecond before.
            EXPECT_TRUE(e->IsExpired(c.fireS, c.fireUs));
            if (c.fireUs > 0) {
                EXPECT_FALSE(e->IsExpired(c.fireS, c.fireUs - 1));
            } else {
                EXPECT_FALSE(e->IsExpired(c.fireS - 1, 999999));
            }
        }
    }
}

TEST(TimerEntry, OrderIsStrictByFireTime) {
    ManualTimerClock clock(10, 0);
    SnglShotTimerEnt a(BaseMsgPtr(), 100), b(BaseMsgPtr(), 100), c(BaseMsgPtr(), 101);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_TRUE(a < c);
    EXPECT_FALSE(c < a);
}

TEST(TimerEntry, DefaultsOfDecodedEntries) {
    SnglShotTimerEnt one;
    MultiShotTimerEnt multi;
    EXPECT_EQ(one.GetTagPtr().GetPtr(), nullptr);
    EXPECT_EQ(one.GetWaitTime(), 0u);
    EXPECT_EQ(multi.GetRepeatCount(), 0xFFFFFFFFu);
    EXPECT_EQ(multi.GetFiredCount(), 0u);
    EXPECT_EQ(SnglShotTimerEnt::ClassCode, 46);
    EXPECT_EQ(MultiShotTimerEnt::ClassCode, 32);
    EXPECT_EQ(BaseTimerEnt::ClassCode, 15);
    EXPECT_EQ(TimerFiredMsg::ClassCode, 47);
    EXPECT_EQ(TimerTag::ClassCode, 48);
    EXPECT_TRUE(multi.IsOfType(15));
}

TEST_F(Timers, EqualFireTimesFireInTheOrderStarted) {
    OneShot(1, 100);
    OneShot(2, 100);
    OneShot(3, 50);  // earlier: goes before both
    OneShot(4, 100);
    OneShot(5, 200);
    EXPECT_EQ(tm.GetWaitList().GetItemCnt(), 5);
    clock.AdvanceMs(99);
    EXPECT_EQ(Tick(), "");
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{3}));
    clock.AdvanceMs(1);  // exactly the fire time of 1, 2 and 4
    Tick();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{3, 1, 2, 4}));
    clock.AdvanceMs(100);
    Tick();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{3, 1, 2, 4, 5}));
    EXPECT_EQ(tm.GetWaitList().GetItemCnt(), 0);
    EXPECT_EQ(tm.GetDispatchList().GetItemCnt(), 0);
}

TEST_F(Timers, ARepeatCountOfThreeFiresThreeTimesThenLeavesBothLists) {
    MultiShot(7, 100, 3);
    for (int i = 0; i < 5; ++i) {
        clock.AdvanceMs(100);
        Tick();
    }
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(tm.GetWaitList().GetItemCnt(), 0);
    EXPECT_EQ(tm.GetDispatchList().GetItemCnt(), 0);
}

TEST_F(Timers, ARepeatingTimerWithoutEndKeepsFiringUntilCancelled) {
    TimerTagPtr tag = MultiShot(8, 10, 0xFFFFFFFFu);
    for (int i = 0; i < 200; ++i) {
        clock.AdvanceMs(10);
        Tick();
    }
    EXPECT_EQ(rcvr.numbers.size(), 200u);
    EXPECT_EQ(tag->CancelTimer(), 1);
    clock.AdvanceMs(10);
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 200u);
    EXPECT_EQ(tag->CancelTimer(), 0);
}

TEST_F(Timers, TheNextFiringCountsFromTheTimeOfProcessing) {
    MultiShot(9, 100, 0xFFFFFFFFu);
    clock.AdvanceMs(250);  // late by 150 ms: fires once, not twice
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 1u);
    EXPECT_EQ(tm.GetMSecsToNextTimer(), 100u);
    clock.AdvanceMs(99);
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 1u);
    clock.AdvanceMs(1);
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 2u);
}

TEST_F(Timers, ARepeatingTimerOfZeroMillisecondsRunsAsOne) {
    // The clock stands still: a period of 0 would be due again at once and
    // the pass would never return.
    MultiShot(10, 0, 0xFFFFFFFFu);
    EXPECT_EQ(tm.GetMSecsToNextTimer(), 1u);
    clock.AdvanceMs(1);
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 1u);
    EXPECT_EQ(tm.GetMSecsToNextTimer(), 1u);
    clock.AdvanceMs(1);
    Tick();
    EXPECT_EQ(rcvr.numbers.size(), 2u);
}

TEST_F(Timers, CancellingAfterTheFiringAndBeforeDispatchSuppressesTheDelivery) {
    TimerTagPtr tag = OneShot(1, 100);
    OneShot(2, 100);
    clock.AdvanceMs(100);
    world.ProcessTimers();
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 2);
    EXPECT_EQ(tm.CancelTimer(tag), 1);
    EXPECT_EQ(tm.GetDispatchList().GetItemCnt(), 1);
    ::testing::internal::CaptureStderr();
    world.ProcessMessages();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // dropped without a word
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{2}));
    EXPECT_EQ(tm.CancelTimer(tag), 0);
    EXPECT_EQ(tm.CancelTimer(TimerTagPtr()), 0);
}

TEST_F(Timers, ResettingAWaitingTimerMovesItsFireTime) {
    TimerTagPtr tag = OneShot(1, 100);
    clock.AdvanceMs(80);
    EXPECT_EQ(tag->ResetTimer(), 1);
    EXPECT_EQ(tm.GetMSecsToNextTimer(), 100u);
    clock.AdvanceMs(99);
    Tick();
    EXPECT_TRUE(rcvr.numbers.empty());
    clock.AdvanceMs(1);
    Tick();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST_F(Timers, ResettingAFiredTimerDropsThePendingDeliveryAndStartsAgain) {
    TimerTagPtr tag = MultiShot(1, 100, 3);
    clock.AdvanceMs(100);
    world.ProcessTimers();  // fired once, queued, and waiting again
    EXPECT_EQ(tm.ResetTimer(tag), 1);
    EXPECT_EQ(tm.GetWaitList().GetItemCnt(), 1);
    EXPECT_EQ(tm.GetDispatchList().GetItemCnt(), 0);
    world.ProcessMessages();
    EXPECT_TRUE(rcvr.numbers.empty());
    MultiShotTimerEntPtr ent(BasePtr(BaseTimerEntLstIter(tm.GetWaitList()).First()));
    ASSERT_TRUE(ent.Ok());
    EXPECT_EQ(ent->GetFiredCount(), 1u);  // the count is kept
    clock.AdvanceMs(100);
    Tick();
    clock.AdvanceMs(100);
    Tick();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1, 1}));
    EXPECT_EQ(tm.GetWaitList().GetItemCnt(), 0);
}

TEST_F(Timers, ResettingAnUnknownTagReportsItAndFails) {
    TimerTagPtr tag = OneShot(1, 10);
    clock.AdvanceMs(10);
    Tick();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tm.ResetTimer(tag), 0);
    EXPECT_EQ(tm.ResetTimer(TimerTagPtr()), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "TimerManger::ResetTimer pass TimerTagPtr that is not found\n"
              "TimerManger::ResetTimer pass TimerTagPtr that is not found\n");
}

TEST_F(Timers, ATagIsReusedOnlyOnceNothingHoldsIt) {
    // The pool is the process's: hold every tag earlier tests left free.
    std::vector<TimerTagPtr> earlier;
    for (unsigned next = TimerTag::GetNextTagValue(); TimerTag::GetNextTagValue() == next;)
        earlier.push_back(TimerTag::GetTimerTag());
    TimerTagPtr held = OneShot(1, 10);
    const unsigned first = held->GetTagValue();
    clock.AdvanceMs(10);
    Tick();
    // The caller still holds it: the next timer gets another value.
    TimerTagPtr second = OneShot(2, 10);
    EXPECT_NE(second->GetTagValue(), first);
    clock.AdvanceMs(10);
    Tick();
    // Dropped after the firing was dispatched: free for the next timer.
    held = TimerTagPtr();
    TimerTagPtr third = OneShot(3, 10);
    EXPECT_EQ(third->GetTagValue(), first);
    // Two live timers never share a value.
    TimerTagPtr fourth = OneShot(4, 10);
    EXPECT_NE(fourth->GetTagValue(), third->GetTagValue());
    EXPECT_NE(fourth->GetTagValue(), second->GetTagValue());
    // A fired message not yet dispatched holds the tag too.
    second = TimerTagPtr();
    clock.AdvanceMs(10);
    world.ProcessTimers();
    third = TimerTagPtr();
    fourth = TimerTagPtr();
    TimerTagPtr fifth = OneShot(5, 10);
    EXPECT_NE(fifth->GetTagValue(), first);
    world.ProcessMessages();
}

TEST_F(Timers, MillisecondsToTheNextTimer) {
    EXPECT_EQ(tm.GetMSecsToNextTimer(), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<unsigned>(TimerManager::MSECSTONEXTTIMERMAX), 0xFFFFFFFFu);
    EXPECT_STREQ(TimerManager::GetEnMaxValuesCvtPtr()->GetStr(-1), "MSECSTONEXTTIMERMAX");
    clock.Set(10, 999600);
    OneShot(1, 5000);
    struct Case {
        unsigned s, us, expected;
    };
    // Fire time (15, 999600); rounded to the nearest millisecond.
    const Case cases[] = {
        {15, 998400, 1},     // 1.2 ms
        {15, 998100, 2},     // 1.5 ms rounds up
        {15, 999599, 0},     // 1 us
        {15, 999600, 0},     // due
        {16, 500000, 0},     // overdue
        {14, 999601, 1000},  // 999.999 ms, across a second boundary
        {10, 999600, 5000},
    };
    for (const Case& c : cases) {
        clock.Set(c.s, c.us);
        EXPECT_EQ(tm.GetMSecsToNextTimer(), c.expected) << c.s << "s " << c.us << "us";
    }
}

TEST_F(Timers, AMessageCanStartAnotherTimerFromItsHandler) {
    rcvr.onDflt = [this](RecordingRcvr&, const BaseMsgPtr& m) {
        if (NumberOf(m) < 3) OneShot(NumberOf(m) + 1, 10);
        return BaseMsgRcvr::PROCESSED;
    };
    OneShot(0, 10);
    for (int i = 0; i < 5; ++i) {
        clock.AdvanceMs(10);
        Tick();
    }
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2, 3}));
}

TEST(TimerClockTest, TheRealClockIsMonotonicInWholeMilliseconds) {
    unsigned s = 0, us = 1;
    TimerManager::GetCurrentTime(s, us);
    timespec mono;
    ::clock_gettime(CLOCK_MONOTONIC, &mono);
    EXPECT_EQ(us % 1000, 0u);
    EXPECT_LE(s, static_cast<unsigned>(mono.tv_sec));
    EXPECT_GE(s + 2, static_cast<unsigned>(mono.tv_sec));
    EXPECT_EQ(&TimerManager::GetClock(), &MonotonicTimerClock::Instance());
}

TEST(TimerClockDeathTest, AClockThatCannotBeReadStopsTheProcess) {
    ManualTimerClock clock;
    clock.failing = true;
    unsigned s = 0, us = 0;
    EXPECT_DEATH(TimerManager::GetCurrentTime(s, us), "rc_gettimeofday == 0");
}

}  // namespace
