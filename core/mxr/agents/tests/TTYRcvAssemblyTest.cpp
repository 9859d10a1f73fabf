// Gathering a message's packets: bounds on what a peer can leave half
// gathered, a number taken by a new message, and duplicates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PipeInitMsg.h"
#include "TTYRcvAssembly.h"
#include "TTYTestSupport.h"

namespace {

using Result = TTYRcvAssembly::Result;

// A message of n packets under number id.
std::vector<TTYPktBufrPtr> Message(unsigned short id, int minBytes, char fill = 'h') {
    return ttytest::PacketsOf(
        BaseMsgPtr(new PipeInitMsg(bStr(std::string(static_cast<std::size_t>(minBytes), fill).c_str()), 1, 2, 520)), id);
}

Result Put(TTYRcvAssembly& a, const TTYPktBufrPtr& p, unsigned now, TTYPktCtrlPtr* done = nullptr) {
    TTYPktCtrlPtr d;
    std::vector<std::string> dropped;
    const Result r = a.Put(p, now, done != nullptr ? done : &d, &dropped);
    return r;
}

}  // namespace

TEST(TTYRcvAssembly, PacketsInAnyOrderAndTwiceMakeOneMessage) {
    TTYRcvAssembly a;
    auto m = Message(3, 1200);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(Put(a, m[2], 10), Result::Partial);
    EXPECT_EQ(Put(a, m[2], 11), Result::Partial);  // stored once
    EXPECT_EQ(Put(a, m[0], 12), Result::Partial);
    TTYPktCtrlPtr done;
    EXPECT_EQ(Put(a, m[1], 13, &done), Result::Complete);
    ASSERT_TRUE(done.Ok());
    EXPECT_EQ(a.GetInAssemblyCnt(), 0);
    // Every packet written again after its ACK was lost: none delivers again.
    for (auto& p : m) EXPECT_EQ(Put(a, p, 20), Result::Duplicate);
}

TEST(TTYRcvAssembly, AMessageUntouchedFor300SecondsIsDropped) {
    TTYRcvAssembly a;
    auto m = Message(4, 1200);
    EXPECT_EQ(Put(a, m[0], 100), Result::Partial);
    EXPECT_EQ(Put(a, m[1], 399), Result::Partial);  // touched at 399
    EXPECT_EQ(a.GetInAssemblyCnt(), 1);
    std::vector<std::string> dropped;
    TTYPktCtrlPtr done;
    a.Put(Message(5, 10)[0], 698, &done, &dropped);  // whole at once
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(a.GetInAssemblyCnt(), 1);
    a.Put(Message(6, 10)[0], 699, &done, &dropped);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("message 4"), std::string::npos) << dropped[0];
    EXPECT_EQ(a.GetInAssemblyCnt(), 0);
    // Its last packet now starts a message of its own that never completes.
    EXPECT_EQ(Put(a, m[2], 700), Result::Partial);
}

TEST(TTYRcvAssembly, ANumberReusedWithAnotherCountStartsAfresh) {
    TTYRcvAssembly a;
    auto stale = Message(9, 1200);  // three packets
    EXPECT_EQ(Put(a, stale[0], 1), Result::Partial);
    // The 16-bit number wrapped: a two-packet message under 9.
    auto fresh = Message(9, 700, 'z');
    ASSERT_EQ(fresh.size(), 2u);
    EXPECT_EQ(Put(a, fresh[1], 2), Result::Partial);
    TTYPktCtrlPtr done;
    EXPECT_EQ(Put(a, fresh[0], 3, &done), Result::Complete);
    done->SetDirection(BasePktCtrl::OUTOFPKT);
    done->SetOffset(0);
    BasePktCtrlPtr stream(done);
    const PipeInitMsgPtr msg{BaseMsgPtr(stream)};
    ASSERT_TRUE(msg.Ok());
    EXPECT_EQ(msg->GetHost(), bStr(std::string(700, 'z').c_str()));
    EXPECT_EQ(a.GetInAssemblyCnt(), 0);
}

TEST(TTYRcvAssembly, HoldsAtMostABoundedNumberOfPartialMessages) {
    TTYRcvAssembly a;
    for (int i = 0; i < TTYRcvAssembly::MaxInAssembly + 10; ++i)
        EXPECT_EQ(Put(a, Message(static_cast<unsigned short>(100 + i), 1200)[0], 5), Result::Partial);
    EXPECT_EQ(a.GetInAssemblyCnt(), TTYRcvAssembly::MaxInAssembly);
}

TEST(TTYRcvAssembly, PacketsThatFitNoMessageAreRefused) {
    TTYRcvAssembly a;
    auto p = Message(11, 10)[0];
    p->SetTotalPkts(0);
    EXPECT_EQ(Put(a, p, 1), Result::Refused);
    p->SetTotalPkts(2);
    p->SetPktId(3);
    EXPECT_EQ(Put(a, p, 1), Result::Refused);
}
