// Messages handed to a world from other threads: each is delivered once, on
// the loop's thread, in the order its thread posted them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "BaseAddr.h"
#include "BaseMsgRcvr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "WorldInbox.h"

class InboxNoticeMsg : public BaseMsg {
    MXR_CLASS(InboxNoticeMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("poster", poster), MXR_FIELD("seq", seq));

public:
    InboxNoticeMsg() = default;
    InboxNoticeMsg(const BaseAddrPtr& to, int poster_, int seq_) : poster(poster_), seq(seq_) { toAddr = to; }
    int poster = 0;
    int seq = 0;
};
MXR_COMPANIONS(InboxNoticeMsg);
MXR_CLASS_DEFINE(InboxNoticeMsg);

// Records, per poster, the sequence numbers in the order handled, and the
// thread each was handled on.
class InboxRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(InboxRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        InboxNoticeMsgPtr m(msg);
        if (!m.Ok()) return NOTPROCESSED;
        if (std::this_thread::get_id() != loopThread) ++offLoop;
        seqs.at(static_cast<std::size_t>(m->poster)).push_back(m->seq);
        ++handled;
        return PROCESSED;
    }
    std::thread::id loopThread = std::this_thread::get_id();
    std::vector<std::vector<int>> seqs;
    int handled = 0;
    int offLoop = 0;
};
MXR_LOCAL_CLASS_DEFINE(InboxRcvr);

namespace {

struct ManagerFlag {
    int saved = BaseAddr::GetMxrWorldFlg();
    ManagerFlag() { BaseAddr::SetMxrWorldFlg(1); }  // dispatch at once
    ~ManagerFlag() { BaseAddr::SetMxrWorldFlg(saved); }
};

TEST(WorldInboxThreads, EveryPostIsDeliveredOnceInEachThreadsOrder) {
    ManagerFlag manager;
    BaseWorld world;
    world.SetDfltPollTimer(1000);
    InboxRcvr rcvr;
    constexpr int kPosters = 4;
    constexpr int kEach = 5000;
    rcvr.seqs.resize(kPosters);
    std::shared_ptr<WorldInbox> inbox = world.OpenInbox();
    const BaseAddrPtr to = rcvr.GetAddrPtr();

    std::atomic<int> refused{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kPosters; ++t) {
        // Each thread gets its own copy of the address to build messages with.
        posters.emplace_back([inbox, to, t, &refused] {
            for (int i = 0; i < kEach; ++i)
                if (inbox->Post(BaseMsgPtr(new InboxNoticeMsg(to, t, i))) != 0) ++refused;
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (rcvr.handled < kPosters * kEach && std::chrono::steady_clock::now() < deadline) world.Run();
    for (std::thread& t : posters) t.join();
    // Anything still queued would show up here.
    for (int i = 0; i < 3; ++i) world.Run();

    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(rcvr.handled, kPosters * kEach);
    EXPECT_EQ(rcvr.offLoop, 0);
    std::vector<int> expected(kEach);
    for (int i = 0; i < kEach; ++i) expected[static_cast<std::size_t>(i)] = i;
    for (int t = 0; t < kPosters; ++t) EXPECT_EQ(rcvr.seqs[static_cast<std::size_t>(t)], expected) << "poster " << t;
}

// A thread that still holds the inbox when the world goes: its posts are
// refused, and what was queued is released by the world, not delivered.
TEST(WorldInboxThreads, PostsAfterTheWorldHasGoneAreRefused) {
    ManagerFlag manager;
    InboxRcvr rcvr;
    rcvr.seqs.resize(1);
    std::shared_ptr<WorldInbox> inbox;
    {
        BaseWorld world;
        inbox = world.OpenInbox();
        std::thread([&] { EXPECT_EQ(inbox->Post(BaseMsgPtr(new InboxNoticeMsg(rcvr.GetAddrPtr(), 0, 1))), 0); }).join();
    }
    int rc = 0;
    std::thread([&] { rc = inbox->Post(BaseMsgPtr(new InboxNoticeMsg(rcvr.GetAddrPtr(), 0, 2))); }).join();
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(rcvr.handled, 0);
}

}  // namespace
