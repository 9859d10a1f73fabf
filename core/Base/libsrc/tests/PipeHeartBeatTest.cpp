// Pipe heartbeats on the timers' test clock (time moves only when the test
// moves it): the default times, the status transitions with their route
// messages, hang-ups, and that an activation never leaves a second timer of
// its kind running.
#include <gtest/gtest.h>

#include "ManualTimerClock.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "TimerManager.h"

namespace {

constexpr int kUp = 1;
constexpr int kDown = 2;

struct PipeHeartBeat : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    ManualTimerClock clock;
    BaseWorld world;
    SockPair pair;
    RecordingRcvr rcvr;  // takes the route messages
    TestPipeHeadPtr head;
    RawReader peer;

    void SetUp() override {
        head = new TestPipeHead(pair.TakeA());
        ASSERT_EQ(head->Initialize(), 0);
        ASSERT_TRUE(PipeInitMsgPtr(Read()).Ok());
        ASSERT_EQ(head->RegisterRouteStatus(Notice(kUp), Notice(kDown)), 0);
    }
    BaseMsgPtr Notice(int n) { return BaseMsgPtr(new NoticeMsg(BaseAddrPtr(rcvr.GetAddrPtr()), n)); }
    // Moves the clock and runs turns until the loop has nothing left to do.
    void Advance(unsigned ms) {
        clock.AdvanceMs(ms);
        Settle();
    }
    void Settle() {
        for (int i = 0; i < 50; ++i) {
            world.ProcessTimers();
            world.GetPollManager().PollForWork(0);
            world.ProcessMessages();
        }
    }
    // The next message the endpoint writes (the loop runs meanwhile).
    BasePtr Read() {
        BasePtr got;
        RunUntil(world, [&] { return (got = peer.Read(pair.b, 0)).GetPtr() != nullptr || peer.failed; }, 2000);
        return got;
    }
    void PeerBeats() {
        ASSERT_TRUE(WriteMsgRaw(pair.b, BaseMsgPtr(new PipeHeartBeatMsg()), 7));
        Settle();
    }
    int Timers() { return world.GetTimerManager().GetWaitList().GetItemCnt(); }
};

}  // namespace

TEST_F(PipeHeartBeat, DefaultsGiveA12010MsWatchAndA4000MsBeat) {
    head->ActivateRcvHeartBeat();
    EXPECT_EQ(head->GetHbInterval(), 4u);
    EXPECT_EQ(head->GetHbMaxMiss(), 3u);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::INITIALIZING);
    EXPECT_EQ(world.GetTimerManager().GetMSecsToNextTimer(), 12010u);
    head->StandbyHeartBeat();
    EXPECT_EQ(Timers(), 0);
    head->SetHbInterval(0);
    head->ActivateSendHeartBeat();
    EXPECT_EQ(world.GetTimerManager().GetMSecsToNextTimer(), 4000u);
    // The first heartbeat is queued at once, before the timer is armed.
    PipeHeartBeatMsgPtr first(Read());
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(first->GetCount(), 1);
    for (int count = 2; count <= 4; ++count) {
        clock.AdvanceMs(4000);
        PipeHeartBeatMsgPtr next(Read());
        ASSERT_TRUE(next.Ok());
        EXPECT_EQ(next->GetCount(), count);
    }
    Advance(3999);
    EXPECT_EQ(peer.Read(pair.b, 0).GetPtr(), nullptr);
}

TEST_F(PipeHeartBeat, APeerThatNeverBeatsIsDeclaredDeadOnce) {
    head->ActivateRcvHeartBeat();
    Advance(12009);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::INITIALIZING);
    Advance(1);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::DEAD);
    EXPECT_EQ(rcvr.numbers, std::vector<int>{kDown});
    Advance(100000);
    EXPECT_EQ(rcvr.numbers, std::vector<int>{kDown});
    EXPECT_EQ(Timers(), 0);
}

TEST_F(PipeHeartBeat, HeartbeatsKeepThePeerAliveAndOneAfterDeathRevivesIt) {
    head->SetHbInterval(1);
    head->SetHbMaxMiss(2);
    head->ActivateRcvHeartBeat();  // watch 2010 ms
    PeerBeats();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(rcvr.numbers, std::vector<int>{kUp});
    for (int i = 0; i < 5; ++i) {
        Advance(2000);
        PeerBeats();  // each restarts the full watch time
    }
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(rcvr.numbers, std::vector<int>{kUp});
    Advance(2010);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::DEAD);
    EXPECT_FALSE(head->GetHbTimeoutTagPtr().Ok());
    PeerBeats();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_TRUE(head->GetHbTimeoutTagPtr().Ok());
    EXPECT_EQ(Timers(), 1);
    Advance(2010);
    // The route lists are kept: every change sends again.
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kDown, kUp, kDown}));
}

TEST_F(PipeHeartBeat, AHangUpWhileInitializingSendsNothingWhileAliveSendsDownOnce) {
    head->ActivateRcvHeartBeat();
    head->ActivateSendHeartBeat();
    EXPECT_EQ(head->GetHbActivity(), PipeHead::SENDANDRECEIVE);
    head->HupDetected();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::INITIALIZING);
    EXPECT_EQ(head->GetHbActivity(), PipeHead::UNDEFINED);
    EXPECT_EQ(Timers(), 0);
    Advance(60000);
    EXPECT_TRUE(rcvr.numbers.empty());

    SockPair other;
    TestPipeHeadPtr alive(new TestPipeHead(other.TakeA()));
    ASSERT_EQ(alive->Initialize(), 0);
    ASSERT_EQ(alive->RegisterRouteStatus(Notice(kUp), Notice(kDown)), 0);
    alive->ActivateRcvHeartBeat();
    alive->ReceivedHeartBeatIndication();
    ASSERT_EQ(alive->GetHbStatus(), PipeHead::ALIVE);
    other.CloseB();
    ASSERT_TRUE(RunUntil(world, [&] { return alive->hups > 0; }));
    Settle();
    EXPECT_EQ(alive->GetHbStatus(), PipeHead::DEAD);
    EXPECT_EQ(alive->GetHbActivity(), PipeHead::UNDEFINED);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kDown}));
    // Later heartbeats change nothing.
    alive->ReceivedHeartBeatIndication();
    EXPECT_EQ(alive->GetHbStatus(), PipeHead::DEAD);
}

TEST_F(PipeHeartBeat, ActivatingTwiceLeavesOneTimerOfEachKind) {
    head->SetHbInterval(1);
    head->SetHbMaxMiss(3);
    head->ActivateRcvHeartBeat();  // a watch until 3010
    Advance(1500);
    head->ActivateRcvHeartBeat();  // the watch now ends at 4510
    EXPECT_EQ(Timers(), 1);
    Advance(1000);
    PeerBeats();  // at 2500: the watch runs until 5510
    ASSERT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    Advance(1000);  // 3500: the first activation's timer would have fired
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(rcvr.numbers, std::vector<int>{kUp});

    head->ActivateSendHeartBeat();
    head->ActivateSendHeartBeat();
    EXPECT_EQ(head->GetHbActivity(), PipeHead::SENDANDRECEIVE);
    EXPECT_EQ(Timers(), 2);  // one watch, one beat
    ASSERT_TRUE(PipeHeartBeatMsgPtr(Read()).Ok());
    ASSERT_TRUE(PipeHeartBeatMsgPtr(Read()).Ok());
    clock.AdvanceMs(1000);
    PipeHeartBeatMsgPtr beat(Read());
    ASSERT_TRUE(beat.Ok());
    EXPECT_EQ(beat->GetCount(), 2);  // of the second activation's message
    Settle();
    EXPECT_EQ(peer.Read(pair.b, 0).GetPtr(), nullptr);  // and only one per interval
}

TEST_F(PipeHeartBeat, ActivationsCombineInEitherOrderAndStandbyStopsBoth) {
    struct Case {
        bool sendFirst;
    };
    for (const Case c : {Case{true}, Case{false}}) {
        if (c.sendFirst) {
            head->ActivateSendHeartBeat();
            EXPECT_EQ(head->GetHbActivity(), PipeHead::SEND);
            head->ActivateRcvHeartBeat();
        } else {
            head->ActivateRcvHeartBeat();
            EXPECT_EQ(head->GetHbActivity(), PipeHead::RECEIVE);
            head->ActivateSendHeartBeat();
        }
        EXPECT_EQ(head->GetHbActivity(), PipeHead::SENDANDRECEIVE);
        EXPECT_EQ(Timers(), 2);
        head->ReceivedHeartBeatIndication();
        head->StandbyHeartBeat();
        EXPECT_EQ(head->GetHbActivity(), PipeHead::STANDBY);
        EXPECT_EQ(head->GetHbStatus(), PipeHead::NONE);
        EXPECT_EQ(Timers(), 0);
        EXPECT_FALSE(head->GetPipeHeartBeatMsgPtr().Ok());
        Advance(60000);
    }
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kUp}));  // standby sends no route message
}

TEST_F(PipeHeartBeat, RouteStatusNeedsBothMessagesAndHeartbeatsWhileNotWatchingAreIgnored) {
    EXPECT_EQ(head->RegisterRouteStatus(Notice(5), BaseMsgPtr()), -1);
    EXPECT_EQ(head->GetRouteUpMsgLst().GetItemCnt(), 1);
    EXPECT_EQ(head->GetRouteDownMsgLst().GetItemCnt(), 1);
    PeerBeats();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::NONE);
    EXPECT_TRUE(rcvr.numbers.empty());
}

TEST_F(PipeHeartBeat, TwoEndpointsOverOnePipeWatchEachOther) {
    SockPair link;
    PipeHeadPtr sender(new PipeHead(link.TakeA()));
    TestPipeHeadPtr watcher(new TestPipeHead(link.b));
    link.b = -1;
    ASSERT_EQ(sender->Initialize(), 0);
    ASSERT_EQ(watcher->Initialize(), 0);
    ASSERT_EQ(watcher->RegisterRouteStatus(Notice(kUp), Notice(kDown)), 0);
    sender->SetHbInterval(1);
    watcher->SetHbInterval(1);
    watcher->SetHbMaxMiss(2);
    watcher->ActivateRcvHeartBeat();
    sender->ActivateSendHeartBeat();
    Settle();
    EXPECT_EQ(watcher->GetHbStatus(), PipeHead::ALIVE);
    for (int i = 0; i < 10; ++i) Advance(1000);
    EXPECT_EQ(watcher->GetHbStatus(), PipeHead::ALIVE);
    sender->StandbyHeartBeat();
    Advance(2000);
    EXPECT_EQ(watcher->GetHbStatus(), PipeHead::ALIVE);
    Advance(10);
    EXPECT_EQ(watcher->GetHbStatus(), PipeHead::DEAD);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kDown}));
}
