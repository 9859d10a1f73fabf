// The world's turn: when it waits and for how long, what wakes it, and what
// it releases in which order when it goes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "BaseAddrEnt.h"
#include "BaseWorld.h"
#include "LoopTestAdptr.h"
#include "ManualTimerClock.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "TimerManager.h"
#include "platform/DescriptorPoll.h"
#include "platform/tests/PollTestSupport.h"
#include "platform/tests/WhenPolling.h"

namespace {

using polltest::Stopwatch;

struct Pipe {
    int r = -1, w = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) std::abort();
        r = fds[0];
        w = fds[1];
    }
    ~Pipe() {
        ::close(r);
        ::close(w);
    }
    void Poke() { (void)!::write(w, "x", 1); }
};

struct WorldRun : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    RecordingRcvr rcvr;

    BaseMsgPtr Notice(int n) { return BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), n)); }
    // One turn; its duration in ms.
    double TimedRun() {
        Stopwatch sw;
        world.Run();
        return sw.ElapsedMs();
    }
};

// What a turn waits for is read from the turn itself (the time-out its
// poll asked for) and, where the wait must really happen, from the poll
// layer's count of waits that went to the kernel: a loaded machine stretches
// time, not these.
TEST_F(WorldRun, WithNothingToDoATurnWaitsTheDefaultPollTime) {
    EXPECT_EQ(world.GetDfltPollTimer(), 10000);
    world.SetDfltPollTimer(300);
    const unsigned long waits = portlib::platform::GetPollWaitCount();
    const double ms = TimedRun();
    EXPECT_EQ(world.GetLastTurnWait(), 300);
    EXPECT_GE(ms, 295);  // a wait is never shorter than asked
    EXPECT_EQ(portlib::platform::GetPollWaitCount() - waits, 1u);  // one quiet wait, no spinning
    EXPECT_TRUE(rcvr.numbers.empty());
}

TEST_F(WorldRun, ATimerWakesTheTurnAtItsFireTime) {
    ManualTimerClock clock;
    BaseMsgPtr m = Notice(1);
    TimerManager::SetOneShotTimer(m, 250);
    // The default wait is far longer; the timer decides, with no 100 ms steps.
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 250);
    EXPECT_TRUE(rcvr.numbers.empty());  // the clock stood still
    clock.AdvanceMs(250);
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 0);  // due: processed at the start, no wait
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST_F(WorldRun, TheWaitIsTheSmallerOfTheDefaultAndTheNextTimer) {
    // A clock that stands still: the wait the turn chooses is all that passes.
    ManualTimerClock clock;
    BaseMsgPtr m = Notice(1);
    TimerManager::SetOneShotTimer(m, 5000);
    world.SetDfltPollTimer(200);
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 200);
    clock.AdvanceMs(4850);  // 150 ms left
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 150);
    EXPECT_TRUE(rcvr.numbers.empty());  // the stopped clock never reached it
    clock.AdvanceMs(150);
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 0);  // due: processed at the start, no wait
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST_F(WorldRun, AQueuedMessageOrAReadyDescriptorMeansNoWait) {
    world.SetDfltPollTimer(-1);  // a turn that waited would never end
    Notice(1).Send();
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 0);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));

    Pipe p;
    LoopTestAdptrPtr a(new LoopTestAdptr(p.r));
    a->Register();
    p.Poke();
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 0);
    EXPECT_EQ(a->lastRevents, POLLIN);
    a->DeRegister();
}

TEST_F(WorldRun, ADescriptorBecomingReadyEndsTheWait) {
    Pipe p;
    LoopTestAdptrPtr a(new LoopTestAdptr(p.r));
    a->onRevents = [this](LoopTestAdptr* self, hv::pollfd* pfd) {
        if (pfd->revents & POLLIN) {
            char c;
            (void)!::read(self->fd, &c, 1);
            Notice(7).Send();  // handled in the same turn
            return BasePollAdptr::DIDWORK;
        }
        return BasePollAdptr::NOWORK;
    };
    a->Register();
    // Far longer than any machine needs for the poke: a turn that ended only
    // with its time-out would take all of it.
    world.SetDfltPollTimer(60000);
    polltest::WhenPolling poker([&] { p.Poke(); });
    const double ms = TimedRun();
    EXPECT_TRUE(poker.SawPoll());
    EXPECT_LT(ms, 30000);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{7}));
    a->DeRegister();
}

TEST_F(WorldRun, TheTurnMakesItsWorldCurrentAndPutsThePreviousOneBack) {
    BaseWorld other;  // now current
    ASSERT_EQ(BaseWorld::GetWorldPtr(), &other);
    BaseWorld* during = nullptr;
    rcvr.onDflt = [&](RecordingRcvr&, const BaseMsgPtr&) {
        during = BaseWorld::GetWorldPtr();
        return BaseMsgRcvr::PROCESSED;
    };
    world.GetMsgList().Append(Notice(1));
    world.Run();
    EXPECT_EQ(during, &world);
    EXPECT_EQ(BaseWorld::GetWorldPtr(), &other);
}

// A client whose messages wait for the pipe to its manager does not spin:
// its turns wait in the poll, and the turn in which the pipe comes up
// dispatches them.
TEST(WorldRunGate, MessagesWaitingForTheManagerRouteDoNotMakeTheLoopSpin) {
    RuntimeScope scope("NODEA", 0);
    BaseWorld world;
    world.SetDfltPollTimer(300);
    RecordingRcvr rcvr;
    for (int i = 0; i < 3; ++i) BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), i)).Send();

    const unsigned long waits = portlib::platform::GetPollWaitCount();
    Stopwatch sw;
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 300);
    EXPECT_GE(sw.ElapsedMs(), 295);
    EXPECT_EQ(portlib::platform::GetPollWaitCount() - waits, 1u);
    EXPECT_TRUE(rcvr.numbers.empty());

    // The "pipe to the manager": when its descriptor has input, the route
    // (this host, pid 0) comes into being.
    Pipe p;
    RecordingRcvr pipeEnd;
    BaseAddrEntPtr route;
    LoopTestAdptrPtr a(new LoopTestAdptr(p.r));
    a->onRevents = [&](LoopTestAdptr*, hv::pollfd* pfd) {
        if (!(pfd->revents & POLLIN) || route.GetPtr() != nullptr) return BasePollAdptr::NOWORK;
        route = BaseAddrEntPtr(new BaseAddrEnt(bStr("NODEA"), 0, 0, &pipeEnd));
        return BasePollAdptr::DIDWORK;
    };
    a->Register();
    world.SetDfltPollTimer(60000);  // far longer than the poke takes on any machine
    sw = Stopwatch();
    polltest::WhenPolling poker([&] { p.Poke(); });
    world.Run();
    EXPECT_TRUE(poker.SawPoll());
    EXPECT_LT(sw.ElapsedMs(), 30000);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2}));
    a->DeRegister();
}

// An adapter that cancels its timer and sends a farewell when it goes: the
// world releases its adapters first, while its timers and queue still exist
// and the world is still current.
TEST(WorldTeardown, AdaptersGoBeforeTheTimers) {
    RuntimeScope scope("NODEA", 1);
    int cancelled = -1;
    int timersLeft = -1;
    BaseWorld* worldSeen = nullptr;
    {
        auto* world = new BaseWorld;
        BaseWorld other;  // the most recent world is current, not the one going
        BaseWorld::SetWorldPtr(world);
        RecordingRcvr rcvr;
        BaseMsgPtr m(new NoticeMsg(rcvr.GetAddrPtr(), 1));
        TimerTagPtr tag = TimerManager::SetOneShotTimer(m, 60000);
        {
            LoopTestAdptrPtr a(new LoopTestAdptr(-1));
            a->onDestroy = [&, tag] {
                worldSeen = BaseWorld::GetWorldPtr();
                timersLeft = worldSeen->GetTimerManager().GetWaitList().GetItemCnt();
                cancelled = worldSeen->GetTimerManager().CancelTimer(tag);
                BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), 2)).Send();
            };
            a->Register();
        }
        BaseWorld::SetWorldPtr(&other);
        delete world;
        EXPECT_EQ(worldSeen, world);
        EXPECT_EQ(BaseWorld::GetWorldPtr(), &other);  // the other one stays current
    }
    EXPECT_EQ(timersLeft, 1);
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(LoopTestAdptr::Live(), 0);
}

TEST(WorldTeardown, TheGoingWorldIsNoLongerCurrent) {
    RuntimeScope scope("NODEA", 1);
    auto* world = new BaseWorld;
    delete world;
    EXPECT_EQ(BaseWorld::GetWorldPtr(), nullptr);
}

}  // namespace
