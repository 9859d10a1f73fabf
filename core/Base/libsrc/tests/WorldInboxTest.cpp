// The world's inbox on the loop's own thread, and Send from a thread that is
// not the loop's.
#include <gtest/gtest.h>

#include <thread>

#include "BaseWorld.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "WorldInbox.h"

namespace {

struct WorldInboxFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    RecordingRcvr rcvr;
    WorldInboxFixture() { world.SetDfltPollTimer(0); }  // an idle turn does not wait
    BaseMsgPtr Notice(int n) { return BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), n)); }
};

// The inbox is one adapter, however often it is asked for; a post wakes a
// turn that would otherwise wait for its whole default time.
TEST_F(WorldInboxFixture, APostEndsTheWaitAndIsDispatchedInThatTurn) {
    std::shared_ptr<WorldInbox> inbox = world.OpenInbox();
    EXPECT_EQ(world.OpenInbox(), inbox);
    EXPECT_EQ(world.GetPollManager().GetPollAdptrLst().GetItemCnt(), 1);
    world.SetDfltPollTimer(-1);  // without the wake-up this turn would never end
    std::thread poster([&] { EXPECT_EQ(inbox->Post(Notice(1)), 0); });
    world.Run();
    poster.join();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST_F(WorldInboxFixture, PostedAndSentMessagesKeepTheirOrder) {
    std::shared_ptr<WorldInbox> inbox = world.OpenInbox();
    Notice(1).Send();
    EXPECT_EQ(inbox->Post(Notice(2)), 0);
    EXPECT_EQ(inbox->Post(Notice(3)), 0);
    world.Run();
    Notice(4).Send();
    EXPECT_EQ(inbox->Post(Notice(5)), 0);
    world.Run();
    world.Run();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(WorldInboxFixture, AnEmptyPointerIsRefused) {
    EXPECT_EQ(world.OpenInbox()->Post(BaseMsgPtr()), -1);
}

using WorldInboxDeathTest = WorldInboxFixture;

TEST_F(WorldInboxDeathTest, SendFromAnotherThreadStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::thread other([&] { Notice(1).Send(); });
            other.join();
        },
        "IsLoopThread");
}

// The thread that runs the loop owns it, whoever constructed the world.
TEST_F(WorldInboxFixture, TheThreadThatRunsTheLoopMaySend) {
    std::thread runner([&] {
        world.Run();
        Notice(1).Send();
        world.Run();
    });
    runner.join();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

}  // namespace
