// Each packet that needs an answer, on the timers' test clock: written again
// after a NACK at once and after 15 s of silence, given up after ten writes,
// ended by its ACK; at most 64 outstanding.
#include <gtest/gtest.h>

#include "PipeInitMsg.h"
#include "TTYLinkFixture.h"
#include "TTYSendMsgSM.h"

using ttytest::LinkFixture;

namespace {

struct SendMachine : LinkFixture {
    TTYPktBufrPtr init;
    void SetUp() override {
        LinkFixture::SetUp();
        Settle();
        init = FirstOf(PipeInitMsg::ClassCode);
        ASSERT_TRUE(init.Ok());
        ASSERT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 1);
    }
};

}  // namespace

TEST_F(SendMachine, TenNacksThenTheInitPacketIsAbandoned) {
    for (int i = 1; i <= 10; ++i) {
        ASSERT_EQ(Writes(init->GetPktCtrlId()), i);
        peer.Answer(TTYReplyMsg::NACK, init);
        Settle();  // a NACK writes again at once: no time passes
    }
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 10);
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetPipeInitAbandoned(), 1);
    Advance(200000);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 10);
}

TEST_F(SendMachine, AnAckEndsTheMachineAndItsTimer) {
    const int timers = world.GetTimerManager().GetWaitList().GetItemCnt();
    peer.Answer(TTYReplyMsg::ACK, init);
    Settle();
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 0);
    EXPECT_EQ(world.GetTimerManager().GetWaitList().GetItemCnt(), timers - 1);
    Advance(16000);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 1);
    EXPECT_EQ(head->GetPipeInitAbandoned(), 0);
    // A late answer finds no machine and changes nothing.
    peer.Answer(TTYReplyMsg::NACK, init);
    Settle();
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 1);
}

TEST_F(SendMachine, SilenceWritesAgainEvery15SecondsTenTimes) {
    for (int i = 2; i <= 10; ++i) {
        Advance(14999);
        ASSERT_EQ(Writes(init->GetPktCtrlId()), i - 1);
        Advance(1);
        ASSERT_EQ(Writes(init->GetPktCtrlId()), i);
    }
    Advance(15000);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 10);
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetPipeInitAbandoned(), 1);
}

TEST_F(SendMachine, ADamagedAnswerIsNoAnswer) {
    // Answers carry no sums: a reply value that is neither ACK nor NACK.
    TTYReplyMsg* odd = new TTYReplyMsg(BaseAddrPtr(), TTYReplyMsg::ACK, init->GetPktCtrlId(), init->GetPktId());
    odd->SetReply(static_cast<TTYReplyMsg::ReplyType>(7));
    peer.Write(peer.Bytes(BaseMsgPtr(odd), true));
    Settle();
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 1);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 1);
    Advance(15000);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 2);
}

TEST_F(SendMachine, The65thPacketWaitsForAPlaceAndAnswersStillGoOut) {
    peer.Answer(TTYReplyMsg::ACK, init);
    Settle();
    ASSERT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 0);
    // 65 one-packet messages for the other system.
    for (int i = 0; i < 65; ++i) head->DfltMsgHdlr(BaseMsgPtr(new PipeHeartBeatMsg()), BasePktCtrlPtr());
    Settle();
    const auto beats = peer.Of(PipeHeartBeatMsg::ClassCode);
    ASSERT_EQ(beats.size(), 64u);
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 64);
    EXPECT_EQ(Adptr()->GetPktBufrWaitLst().GetItemCnt(), 1);
    // Nothing can be written while full: the adaptor does not ask to write
    // (asking would wake the loop at once, turn after turn).
    hv::pollfd p{};
    Adptr()->PopulatePollInfo(&p);
    EXPECT_EQ(p.events & POLLOUT, 0);
    // While full, a packet from the peer is still answered.
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    EXPECT_EQ(peer.Of(TTYReplyMsg::ClassCode).size(), 1u);
    EXPECT_EQ(Adptr()->GetPktBufrWaitLst().GetItemCnt(), 1);
    // One ACK frees one place: the waiting packet goes at once.
    peer.Answer(TTYReplyMsg::ACK, beats[5].pkt);
    Settle();
    EXPECT_EQ(peer.Of(PipeHeartBeatMsg::ClassCode).size(), 65u);
    EXPECT_EQ(Adptr()->GetPktBufrWaitLst().GetItemCnt(), 0);
    EXPECT_EQ(Adptr()->GetSendMsgSMLst().GetItemCnt(), 64);
}

TEST_F(SendMachine, AHangUpGivesUpEveryPendingPacket) {
    head->HupDetected();
    Settle();
    EXPECT_EQ(world.GetTimerManager().GetWaitList().GetItemCnt(), 0);
    Advance(200000);
    EXPECT_EQ(Writes(init->GetPktCtrlId()), 1);
}
