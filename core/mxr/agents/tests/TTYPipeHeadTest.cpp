// The serial pipe head against a peer played on a pty: the connection and its
// reports, heartbeats and the peer's address, a PipeInitMsg written again
// after a lost ACK, a restarted peer, duplicates, and a device that goes away.
#include <gtest/gtest.h>

#include "CommAgentEnt.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "PipeDeRegMsg.h"
#include "PipeHeartBeatMsg.h"
#include "PipeInitMsg.h"
#include "PipeRegMsg.h"
#include "TTYCAMsgRcvr.h"
#include "TTYCAMsgRcvrAddHostSM.h"
#include "TTYLinkFixture.h"

using ttytest::LinkFixture;

namespace {

using Status = PipeHead::HeartBeatStatus;

struct SerialHead : LinkFixture {
    std::vector<Status> StatusReports() {
        std::vector<Status> out;
        for (auto& m : recorder->Of(MxrAdminReportCommPathStatusReqMsg::ClassCode))
            out.push_back(MxrAdminReportCommPathStatusReqMsgPtr(m)->GetHbStatus());
        return out;
    }
    int Count(int code) { return static_cast<int>(recorder->Of(code).size()); }
    // Connected and alive: the peer's PipeInitMsg and one heartbeat.
    void Alive() {
        PeerConnects();
        peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
        Settle();
        ASSERT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    }
    // A heartbeat from the peer every second for ms.
    void BeatFor(unsigned ms) {
        for (unsigned t = 0; t < ms; t += 1000) {
            peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
            Advance(1000);
        }
    }
};

}  // namespace

TEST_F(SerialHead, ThePeersInitConnectsAndReportsOnceThenHeartbeatsBringItUp) {
    PeerConnects();
    EXPECT_EQ(head->GetConnectionStatus(), TTYPipeHead::CONNECTED);
    EXPECT_EQ(head->GetRemHostName(), "NODEB");
    EXPECT_EQ(head->GetRemPid(), 4242);
    ASSERT_EQ(Count(MxrAdminReportOutConnCompleteReqMsg::ClassCode), 1);
    const MxrAdminReportOutConnCompleteReqMsgPtr done(recorder->Of(MxrAdminReportOutConnCompleteReqMsg::ClassCode)[0]);
    EXPECT_EQ(done->GetRemAlias(), "NODEB");
    EXPECT_EQ(done->GetDevicePath(), bStr(line.slavePath.c_str()));
    // The init packet was answered, and this side beats.
    EXPECT_EQ(peer.Of(TTYReplyMsg::ClassCode).size(), 1u);
    EXPECT_GE(peer.Of(PipeHeartBeatMsg::ClassCode).size(), 1u);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::INITIALIZING);
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(StatusReports(), std::vector<Status>{PipeHead::ALIVE});
    ASSERT_EQ(Count(PipeRegMsg::ClassCode), 1);
    EXPECT_EQ(PipeRegMsgPtr(recorder->Of(PipeRegMsg::ClassCode)[0])->GetHost(), "NODEB");
    EXPECT_EQ(head->GetRegisteredAddress(), 1);
}

TEST_F(SerialHead, SilenceMakesItDeadOnceAndABeatBringsItBackWithOneRegistration) {
    Alive();
    BeatFor(5000);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    Advance(3010);  // 1 s x 3 misses + 10 ms
    EXPECT_EQ(head->GetHbStatus(), PipeHead::DEAD);
    Advance(30000);
    EXPECT_EQ(StatusReports(), (std::vector<Status>{PipeHead::ALIVE, PipeHead::DEAD}));
    EXPECT_EQ(Count(PipeDeRegMsg::ClassCode), 1);
    EXPECT_EQ(head->GetRegisteredAddress(), 0);
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    EXPECT_EQ(StatusReports(), (std::vector<Status>{PipeHead::ALIVE, PipeHead::DEAD, PipeHead::ALIVE}));
    EXPECT_EQ(Count(PipeRegMsg::ClassCode), 2);
}

TEST_F(SerialHead, TheInitWrittenAgainAfterALostAckIsOnlyAnswered) {
    const std::string init = peer.Bytes(BaseMsgPtr(new PipeInitMsg(bStr("NODEB"), 4242, 7, 520)));
    peer.Write(init);
    Settle();
    peer.Answer(TTYReplyMsg::ACK, FirstOf(PipeInitMsg::ClassCode));
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    ASSERT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    const BasePtr adptr = head->GetPollAdptrPtr();
    // Twice: once while the delivered message is remembered by the
    // reassembly, once after it was forgotten (a busy line).
    for (int round = 0; round < 2; ++round) {
        BeatFor(15000);
        if (round == 1) head->GetRcvAssembly().Clear();
        peer.Write(init);
        Settle();
        EXPECT_EQ(head->GetPollAdptrPtr().GetPtr(), adptr.GetPtr()) << round;
        EXPECT_EQ(peer.Of(PipeInitMsg::ClassCode).size(), 1u) << round;
        EXPECT_EQ(Count(MxrAdminReportOutConnCompleteReqMsg::ClassCode), 1) << round;
        EXPECT_EQ(StatusReports(), std::vector<Status>{PipeHead::ALIVE}) << round;
        EXPECT_EQ(Count(PipeRegMsg::ClassCode), 1) << round;
        EXPECT_EQ(TTYReplyMsgPtr(ttytest::MsgOf(peer.Of(TTYReplyMsg::ClassCode).back().pkt))->GetReply(),
                  TTYReplyMsg::ACK);
    }
}

TEST_F(SerialHead, ARestartedPeerRestartsThisSideInTheSameTurn) {
    Alive();
    const BasePtr oldAdptr = head->GetPollAdptrPtr();
    const auto ourInits = peer.Of(PipeInitMsg::ClassCode).size();
    // The peer's new PipeInitMsg and a heartbeat behind it, in one read.
    peer.Write(peer.Bytes(BaseMsgPtr(new PipeInitMsg(bStr("NODEB"), 5151, 7, 520))) +
               peer.Bytes(BaseMsgPtr(new PipeHeartBeatMsg())));
    Settle();
    EXPECT_NE(head->GetPollAdptrPtr().GetPtr(), oldAdptr.GetPtr());
    EXPECT_EQ(head->GetRemPid(), 5151);
    EXPECT_EQ(peer.Of(PipeInitMsg::ClassCode).size(), ourInits + 1);
    EXPECT_EQ(Count(MxrAdminReportOutConnCompleteReqMsg::ClassCode), 2);
    EXPECT_EQ(Count(PipeDeRegMsg::ClassCode), 1);
    // The released adaptor took nothing more: the heartbeat behind the init
    // was not answered by it, and the new one serves the line.
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(Count(PipeRegMsg::ClassCode), 2);
    // The reports of the second connection are sent once each, not twice.
    Advance(3010);
    EXPECT_EQ(StatusReports(), (std::vector<Status>{PipeHead::ALIVE, PipeHead::DEAD, PipeHead::ALIVE, PipeHead::DEAD}));
}

// A machine that reboots starts its agent with the same pid and numbers its
// messages from the start again: its first PipeInitMsg is byte for byte the
// one delivered before. Once the path was declared dead it is a new start,
// not a retransmission to be ignored.
TEST_F(SerialHead, ARebootedPeersIdenticalInitAfterTheDeathIsANewStart) {
    const std::string init = peer.Bytes(BaseMsgPtr(new PipeInitMsg(bStr("NODEB"), 4242, 7, 520)));
    peer.Write(init);
    Settle();
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    ASSERT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    Advance(3010);  // silence: 1 s x 3 misses
    ASSERT_EQ(head->GetHbStatus(), PipeHead::DEAD);
    const auto ourInits = peer.Of(PipeInitMsg::ClassCode).size();

    peer.Write(init);
    Settle();
    EXPECT_EQ(Count(MxrAdminReportOutConnCompleteReqMsg::ClassCode), 2) << "the new start was not taken";
    EXPECT_EQ(peer.Of(PipeInitMsg::ClassCode).size(), ourInits + 1) << "this side did not start its half again";
    peer.Send(BaseMsgPtr(new PipeHeartBeatMsg()));
    Settle();
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(StatusReports(), (std::vector<Status>{PipeHead::ALIVE, PipeHead::DEAD, PipeHead::ALIVE}));
    EXPECT_EQ(Count(PipeRegMsg::ClassCode), 2);
}

TEST_F(SerialHead, AMessageWrittenAgainAfterALostAckIsDeliveredOnce) {
    Alive();
    // An ordinary message for this process: the recorder's address.
    BaseMsgPtr note(new PipeHeartBeatMsg());
    const std::string bytes = peer.Bytes(BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(
        BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)), 9, bStr("X"), bStr("D"),
        PipeHead::ALIVE)));
    const int before = Count(MxrAdminReportCommPathStatusReqMsg::ClassCode);
    peer.Write(bytes);
    Settle();
    peer.Write(bytes);  // its ACK was lost
    Settle();
    EXPECT_EQ(Count(MxrAdminReportCommPathStatusReqMsg::ClassCode), before + 1);
    const auto answers = peer.Of(TTYReplyMsg::ClassCode);
    ASSERT_GE(answers.size(), 2u);
    EXPECT_EQ(TTYReplyMsgPtr(ttytest::MsgOf(answers.back().pkt))->GetReply(), TTYReplyMsg::ACK);
}

TEST_F(SerialHead, ADamagedPacketIsRefusedAndItsResendDeliveredOnce) {
    Alive();
    const int before = Count(MxrAdminReportCommPathStatusReqMsg::ClassCode);
    std::string bytes = peer.Bytes(BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(
        BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)), 9, bStr("X"), bStr("D"),
        PipeHead::DEAD)));
    std::string damaged = bytes;
    damaged[30] = static_cast<char>(damaged[30] ^ 0x40);
    peer.Write(damaged);
    Settle();
    EXPECT_EQ(Count(MxrAdminReportCommPathStatusReqMsg::ClassCode), before);
    ASSERT_FALSE(peer.Of(TTYReplyMsg::ClassCode).empty());
    EXPECT_EQ(TTYReplyMsgPtr(ttytest::MsgOf(peer.Of(TTYReplyMsg::ClassCode).back().pkt))->GetReply(), TTYReplyMsg::NACK);
    peer.Write(bytes);
    Settle();
    EXPECT_EQ(Count(MxrAdminReportCommPathStatusReqMsg::ClassCode), before + 1);
}

TEST_F(SerialHead, ADeviceThatGoesAwayHangsUpAndTheSetUpRetriesEvery15Seconds) {
    Alive();
    ::close(line.master);
    line.master = -1;
    Settle();
    EXPECT_FALSE(head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(StatusReports(), (std::vector<Status>{PipeHead::ALIVE, PipeHead::DEAD}));
    EXPECT_EQ(Count(PipeDeRegMsg::ClassCode), 1);
    // A new set-up of the path is pending and tries every 15 s.
    ASSERT_EQ(TTYCAMsgRcvr::GetAddHostSMLst().GetItemCnt(), 1);
    const TTYCAMsgRcvrAddHostSMPtr sm(TTYCAMsgRcvrAddHostSMLstIter(TTYCAMsgRcvr::GetAddHostSMLst()).First());
    EXPECT_EQ(sm->GetDevicePath(), bStr(line.slavePath.c_str()));
    EXPECT_EQ(sm->GetTriedOnce(), 1);
    EXPECT_EQ(world.GetTimerManager().GetMSecsToNextTimer() <= 15000u, true);
    // No spinning on the dead line: nothing is polled for it any more.
    EXPECT_EQ(world.GetPollManager().GetPollAdptrLst().GetItemCnt(), 0);
    BasePtr item;
    while (TTYCAMsgRcvr::GetAddHostSMLst().Remove(item)) item = BasePtr();
}

// A peer that keeps announcing routes it may not: the first reports whole,
// then the count as it doubles; a route of its own behind them is taken.
TEST_F(SerialHead, RefusedAnnouncementsAreReportedByDoublingsAndTheLineServesOn) {
    Alive();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 40; ++i) peer.Send(BaseMsgPtr(new PipeRegMsg(BaseAddr::GetCurrentHost(), 0, 0, 1)));
    peer.Send(BaseMsgPtr(new PipeRegMsg(bStr("NODEB"), 99, 99, 1)));
    Settle();
    const std::string reports = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (char c : reports) lines += c == '\n' ? 1 : 0;
    // Four whole, then the counts 8, 16 and 32.
    EXPECT_EQ(lines, 7u) << reports;
    EXPECT_NE(reports.find("32 faults of this peer so far"), std::string::npos) << reports;
    bool taken = false;
    BaseAddrEntLstIter it(head->GetAddrEntLst());
    for (BaseAddrEntPtr row = it.First(); row.GetPtr() != nullptr; row = it.Next())
        taken = taken || (row->GetHost() == bStr("NODEB") && row->GetPid() == 99);
    EXPECT_TRUE(taken);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::ALIVE);
}
