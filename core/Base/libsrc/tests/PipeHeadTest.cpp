// The pipe endpoint in one process: a PipeHead on one end of a socket pair
// and a raw peer (the test) or a second endpoint on the other. Packet ids,
// messages of one and of many packets, interleaved and stale partial
// messages, the PipeInitMsg exchange and the routes it enters, route
// announcements, hang-ups and sending after one; messages too large to
// send or to accept, and peers driven past the high-water marks.
#include <gtest/gtest.h>

#include <algorithm>

#include "BaseAddr.h"
#include "BaseErrMsg.h"
#include "IoObjectCvt.h"
#include "PipePktBufr.h"
#include "PipePollAdptr.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "platform/tests/TempSystemDir.h"

namespace {

// An endpoint on end a of a socket pair, initialized in a manager world
// (pid 0, tid 0, dispatch never gated); the test is the raw peer on end b.
struct PipeHeadFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    SockPair pair;
    RecordingRcvr rcvr;
    TestPipeHeadPtr head;
    RawReader peer;

    void SetUp() override {
        head = new TestPipeHead(pair.TakeA());
        ASSERT_EQ(head->Initialize(), 0);
    }
    // The peer's side of the PipeInitMsg exchange: reads the endpoint's
    // PipeInitMsg and introduces itself as (PEER, 77, 78).
    void Introduce(unsigned maxPkt = 520) {
        PipeInitMsgPtr init = ReadFromHead();
        ASSERT_TRUE(init.Ok());
        ASSERT_TRUE(WriteMsgRaw(pair.b, BaseMsgPtr(new PipeInitMsg("PEER", 77, 78, maxPkt)), 1));
        ASSERT_TRUE(RunUntil(world, [&] { return head->GetAddrEntLst().GetItemCnt() == 1; }));
    }
    // The next message the endpoint writes, running the loop meanwhile.
    BasePtr ReadFromHead() {
        BasePtr got;
        RunUntil(world, [&] {
            got = peer.Read(pair.b, 0);
            return got.GetPtr() != nullptr || peer.failed;
        });
        return got;
    }
    // Hands the endpoint wire packets directly, as its adapter would.
    int Feed(const std::vector<char>& wire) {
        BasePktBufrPtr pkt = PacketFromWire(wire);
        return head->ProcessIncomingPktBufr(pkt);
    }
    BaseMsgPtr Bulk(int n, std::size_t size) {
        return BaseMsgPtr(new BulkMsg(BaseAddrPtr(rcvr.GetAddrPtr()), n, Payload(size, n)));
    }
    // The payloads of the bulk messages the receiver was handed, by number.
    std::vector<int> Delivered() {
        world.ProcessMessages();
        std::vector<int> ns;
        for (const Seen& s : rcvr.seen) {
            if (s.stage != "DfltMsgHdlr") continue;
            BulkMsgPtr m(s.msg);
            if (!m.Ok()) continue;
            EXPECT_EQ(std::string(static_cast<const char*>(m->data)), Payload(static_cast<std::size_t>(m->data.StrLen()), m->n)) << m->n;
            ns.push_back(m->n);
        }
        return ns;
    }
};

}  // namespace

TEST_F(PipeHeadFixture, InitializeSendsThisEndsPipeInitMsgFirst) {
    EXPECT_EQ(head->GetHbActivity(), PipeHead::STANDBY);
    EXPECT_EQ(head->GetHbStatus(), PipeHead::NONE);
    EXPECT_EQ(head->GetMaxPktSize(), 520u);
    EXPECT_TRUE(head->GetPollAdptrPtr().Ok());
    PipeInitMsgPtr init = ReadFromHead();
    ASSERT_TRUE(init.Ok());
    EXPECT_EQ(init->GetHost(), bStr("NODEA"));
    EXPECT_EQ(init->GetPid(), 0);
    EXPECT_EQ(init->GetTid(), 0);
    EXPECT_EQ(init->GetMax_pkt_size(), 520u);
    EXPECT_EQ(peer.ids.size(), 1u);
}

TEST_F(PipeHeadFixture, PacketIdsStartAtOneAndSkipZeroWhenTheyWrap) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    const BaseAddrPtr peerAddr(new BaseAddr("PEER", 77, 78));
    struct Case {
        unsigned short before;
        unsigned short expected;
    };
    for (const Case c : {Case{0, 1}, Case{65534, 65535}, Case{65535, 1}, Case{41, 42}}) {
        PipeHead::SetNextIdVal(c.before);
        head->DfltMsgHdlr(BaseMsgPtr(new BulkMsg(peerAddr, 1, Payload(1500))), BasePktCtrlPtr());
        peer.ids.clear();
        ASSERT_TRUE(BulkMsgPtr(ReadFromHead()).Ok());
        // Every packet of the message carries the id.
        EXPECT_GE(peer.ids.size(), 3u);
        EXPECT_EQ(peer.ids, std::vector<unsigned short>(peer.ids.size(), c.expected)) << c.before;
        EXPECT_EQ(PipeHead::GetNextIdVal(), c.expected);
    }
}

TEST_F(PipeHeadFixture, OnePacketMessagesNeverWaitManyPacketMessagesWaitForTheirLast) {
    auto one = PacketsOfMsg(Bulk(1, 10), 7);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(Feed(one[0]), 0);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
    EXPECT_EQ(Delivered(), std::vector<int>{1});

    auto three = PacketsOfMsg(Bulk(2, 1200), 8);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(Feed(three[0]), 0);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 1);
    EXPECT_EQ(Feed(three[1]), 0);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 1);
    EXPECT_EQ(Delivered(), std::vector<int>{1});
    EXPECT_EQ(Feed(three[2]), 0);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
    EXPECT_EQ(Delivered(), (std::vector<int>{1, 2}));
}

TEST_F(PipeHeadFixture, InterleavedMessagesAreRebuiltIndependently) {
    auto a = PacketsOfMsg(Bulk(10, 1500), 100);
    auto b = PacketsOfMsg(Bulk(20, 900), 101);
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 2u);
    for (auto* wire : {&a[0], &b[0], &a[1], &b[1], &a[2]}) EXPECT_EQ(Feed(*wire), 0);
    EXPECT_EQ(Delivered(), (std::vector<int>{20, 10}));
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
}

TEST_F(PipeHeadFixture, AStalePartialMessageIsReplacedByTheNewMessageOfItsNumber) {
    // Message 9 lost a packet; after the numbers wrap, a new message 9
    // arrives. It must come out intact, never joined with the old packets.
    struct Case {
        const char* what;
        std::vector<int> staleParts;  // which packets of the old message arrived
        int freshSize;                // payload of the new message
    };
    const Case cases[] = {
        {"lost its first packet: the new first one would complete it", {1, 2}, 1200},
        {"lost its last packet, new message as long", {0, 1}, 1200},
        {"lost its last packet, new message shorter", {0, 1}, 700},
        {"lost its last packet, new message of one packet", {0, 1}, 10},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto stale = PacketsOfMsg(Bulk(++n, 1200), 9);
        ASSERT_EQ(stale.size(), 3u);
        StderrCapture err;
        for (int part : c.staleParts) EXPECT_EQ(Feed(stale[static_cast<std::size_t>(part)]), 0);
        EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 1);
        for (auto& wire : PacketsOfMsg(Bulk(++n, static_cast<std::size_t>(c.freshSize)), 9)) EXPECT_EQ(Feed(wire), 0);
        rcvr.seen.clear();
        EXPECT_EQ(Delivered(), std::vector<int>{n});
        EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
        EXPECT_NE(err.Text().find("TestPipeHead::ProcessIncomming Pkt Bufr dropped partial message 9"),
                  std::string::npos)
            << err.Text();
    }
}

TEST_F(PipeHeadFixture, APacketThatDoesNotFitItsMessageDropsThePartialMessage) {
    auto three = PacketsOfMsg(Bulk(1, 1200), 12);
    auto two = PacketsOfMsg(Bulk(2, 900), 12);
    StderrCapture err;
    EXPECT_EQ(Feed(three[0]), 0);
    // Packet 2 of a two-packet message under the same number: its count
    // disagrees with the message's.
    EXPECT_EQ(Feed(two[1]), -1);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
    EXPECT_EQ(Feed(three[1]), 0);  // starts a message of its own, never completes
    EXPECT_EQ(Delivered(), std::vector<int>{});
    EXPECT_NE(err.Text().find("a packet did not fit it"), std::string::npos);
}

TEST_F(PipeHeadFixture, TheAssemblyListIsBounded) {
    StderrCapture err;
    for (int i = 0; i < PipeHead::MaxRcvInAssembly + 5; ++i) {
        auto pkts = PacketsOfMsg(Bulk(i, 900), static_cast<unsigned short>(1000 + i));
        ASSERT_EQ(pkts.size(), 2u);
        EXPECT_EQ(Feed(pkts[0]), 0);
        EXPECT_LE(head->GetRcvPktCtrlLst().GetItemCnt(), PipeHead::MaxRcvInAssembly);
    }
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), PipeHead::MaxRcvInAssembly);
    // The newest are kept: their second packets complete them.
    auto last = PacketsOfMsg(Bulk(PipeHead::MaxRcvInAssembly + 4, 900), 1000 + PipeHead::MaxRcvInAssembly + 4);
    EXPECT_EQ(Feed(last[1]), 0);
    auto first = PacketsOfMsg(Bulk(0, 900), 1000);
    EXPECT_EQ(Feed(first[1]), 0);  // the oldest went: a lone second packet
    EXPECT_EQ(Delivered(), std::vector<int>{PipeHead::MaxRcvInAssembly + 4});
    EXPECT_NE(err.Text().find("too many messages in assembly"), std::string::npos);
}

TEST_F(PipeHeadFixture, WhatCannotBeRebuiltIsReportedAndThePipeStaysUp) {
    StderrCapture err;
    // Not a pipe packet.
    BasePktBufrPtr notPipe;
    EXPECT_EQ(head->ProcessIncomingPktBufr(notPipe), -1);
    // A class code nobody registered, then an object that is not a message.
    PipePktCtrlPtr raw(new PipePktCtrl());
    raw->SetPktCtrlId(2);
    char code[] = {0x7F, 0, 0, 0, 0};  // class code 127: nobody has it
    raw->DoBytes(code, 5);
    raw->SetOffset(0);
    BasePktBufrPtr unknown = raw->GetFirstPktBufr();
    std::vector<char> wire(unknown->GetSendRecvAddr(), unknown->GetSendRecvAddr() + unknown->GetSendSize());
    EXPECT_EQ(Feed(wire), -1);
    BasePtr notMsg(new BaseAddr("X", 1, 2));
    EXPECT_EQ(Feed(PacketsOfMsg(notMsg, 3)[0]), -1);
    EXPECT_NE(err.Text().find("TestPipeHead::ProcessIncomming Pkt Bufr message generation failed"), std::string::npos);
    EXPECT_TRUE(head->GetPollAdptrPtr().Ok());
}

TEST_F(PipeHeadFixture, AMessageSentAsItsSExpressionArrivesAsTheMessage) {
    BaseMsgPtr msg = Bulk(8, 700);
    IoItemPtr tree = GetIoItemFrom(BasePtr(msg));
    for (auto& wire : PacketsOfMsg(BasePtr(tree), 30)) EXPECT_EQ(Feed(wire), 0);
    EXPECT_EQ(Delivered(), std::vector<int>{8});
}

TEST_F(PipeHeadFixture, PipeInitMsgEntersTheRouteAndTheSmallerPacketSize) {
    ASSERT_NO_FATAL_FAILURE(Introduce(300));
    EXPECT_EQ(head->GetMaxPktSize(), 300u);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), head.GetPtr());
    BaseAddr peer("PEER", 77, 78);
    EXPECT_EQ(peer.GetMsgRcvrAddr(), head.GetPtr());
    // A larger announced size changes nothing.
    ASSERT_TRUE(WriteMsgRaw(pair.b, BaseMsgPtr(new PipeInitMsg("OTHER", 5, 6, 1000)), 2));
    ASSERT_TRUE(RunUntil(world, [&] { return head->GetAddrEntLst().GetItemCnt() == 2; }));
    EXPECT_EQ(head->GetMaxPktSize(), 300u);
}

TEST_F(PipeHeadFixture, MessagesCrossThePipeBothWaysAndControlMessagesReachNoReceiver) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    // To the peer: sent by the loop like any message, resolved by the route.
    BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 77, 78)), 5, Payload(3000, 5))).Send();
    BulkMsgPtr out(ReadFromHead());
    ASSERT_TRUE(out.Ok());
    EXPECT_EQ(out->n, 5);
    EXPECT_EQ(std::string(static_cast<const char*>(out->data)), Payload(3000, 5));
    // From the peer: dispatched here as if sent here.
    ASSERT_TRUE(WriteMsgRaw(pair.b, Bulk(6, 2000), 2));
    ASSERT_TRUE(WriteMsgRaw(pair.b, BaseMsgPtr(new PipeHeartBeatMsg()), 3));
    ASSERT_TRUE(WriteMsgRaw(pair.b, BaseMsgPtr(new PipeRegMsg("R", 1, 1)), 4));
    ASSERT_TRUE(RunUntil(world, [&] { return head->GetAddrEntLst().GetItemCnt() == 2; }));
    EXPECT_EQ(Delivered(), std::vector<int>{6});
    for (const Seen& s : rcvr.seen) EXPECT_FALSE(s.msg->IsOfType(BasePipeMsg::ClassCode));
}

TEST_F(PipeHeadFixture, RouteAnnouncementsAddAndWithdrawRoutesAndAMismatchIsReported) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    auto feed = [&](BasePipeMsg* m) { Feed(PacketsOfMsg(BaseMsgPtr(m), 50)[0]); };
    feed(new PipeRegMsg("FAR", 10, 11, 5));
    feed(new PipeRegMsg("FAR", 10, 11, 5));  // repeated: a second row
    EXPECT_EQ(head->GetAddrEntLst().GetItemCnt(), 3);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("FAR", 10, 11), head.GetPtr());
    {
        StderrCapture err;
        feed(new PipeDeRegMsg("FAR", 10, 11, 4));  // differs in priority only
        EXPECT_EQ(err.Text(),
                  "DeRegister Msg Received for host FAR pid 10 and tid 11 but didn't find a match in addrEntLst\n");
    }
    EXPECT_EQ(head->GetAddrEntLst().GetItemCnt(), 3);
    feed(new PipeDeRegMsg("FAR", 10, 11, 5));
    EXPECT_EQ(head->GetAddrEntLst().GetItemCnt(), 2);
    feed(new PipeDeRegMsg("FAR", 10, 11, 5));
    EXPECT_EQ(head->GetAddrEntLst().GetItemCnt(), 1);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("FAR", 10, 11), nullptr);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), head.GetPtr());
}

TEST_F(PipeHeadFixture, AHangUpStopsPollingAndTheLastHolderTakesTheRoutesAlong) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    bool destroyed = false;
    head->onDestroy = [&] { destroyed = true; };
    pair.CloseB();
    ASSERT_TRUE(RunUntil(world, [&] { return head->hups > 0; }));
    EXPECT_EQ(head->hups, 1);
    EXPECT_FALSE(head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(world.GetPollManager().GetPollAdptrLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetHbActivity(), PipeHead::UNDEFINED);
    // This holder keeps it, its pipe and its routes.
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), head.GetPtr());
    EXPECT_FALSE(destroyed);
    head = TestPipeHeadPtr();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), nullptr);
}

TEST_F(PipeHeadFixture, AnEndpointHeldOnlyByItsAdapterGoesWithTheHangUp) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    bool destroyed = false;
    head->onDestroy = [&] { destroyed = true; };
    head = TestPipeHeadPtr();  // as the listener leaves it
    EXPECT_FALSE(destroyed);
    EXPECT_NE(BaseAddrEnt::LookUpRoute("PEER", 77, 78), nullptr);
    pair.CloseB();
    ASSERT_TRUE(RunUntil(world, [&] { return destroyed; }));
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), nullptr);
    EXPECT_EQ(world.GetPollManager().GetPollAdptrLst().GetItemCnt(), 0);
}

TEST_F(PipeHeadFixture, SendingAfterAHangUpDropsTheMessageAndAnswersARequest) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    pair.CloseB();
    ASSERT_TRUE(RunUntil(world, [&] { return head->hups > 0; }));
    // The held endpoint's route still leads here; a request through it must
    // come back as an error, not wait for ever or crash.
    rcvr.onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::PROCESSED; };
    PingReqMsg* req = new PingReqMsg(BaseAddrPtr(new BaseAddr("PEER", 77, 78)), 1);
    req->SetFrmAddr(BaseAddrPtr(rcvr.GetAddrPtr()));
    StderrCapture err;
    BaseMsgPtr(req).Send();
    BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 77, 78)), 2, "x")).Send();
    ASSERT_TRUE(RunUntil(world, [&] {
        for (const Seen& s : rcvr.seen)
            if (s.msg->IsOfType(BaseErrMsg::ClassCode)) return true;
        return false;
    }));
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), 0);
    const std::string text = err.Text();
    EXPECT_NE(text.find("TestPipeHead::DfltMsgHdlr no poll adapter on file descriptor"), std::string::npos) << text;
    EXPECT_NE(text.find("PingReqMsg dropped"), std::string::npos) << text;
    EXPECT_NE(text.find("BulkMsg dropped"), std::string::npos) << text;
}

TEST(PipeHead, AnEndpointWhoseConnectionFailedNeitherPollsNorSends) {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    PipeHeadPtr head(new PipeHead(bStr("\\\\.\\pipe\\nobody_listens_here")));
    EXPECT_EQ(head->GetFileDscrpt(), -1);
    EXPECT_EQ(head->GetFileName(), bStr(""));
    EXPECT_EQ(head->Initialize(), -1);
    EXPECT_FALSE(head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), 0);
    EXPECT_EQ(world.GetPollManager().GetPollAdptrLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetHbActivity(), PipeHead::UNDEFINED);
}

TEST(PipeHead, TwoEndpointsExchangeTheirPipeInitMsgs) {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    SockPair pair;
    PipeHeadPtr a(new PipeHead(pair.TakeA()));
    PipeHeadPtr b(new PipeHead(pair.b));
    pair.b = -1;
    ASSERT_EQ(a->Initialize(), 0);
    ASSERT_EQ(b->Initialize(), 0);
    ASSERT_TRUE(RunUntil(world, [&] {
        return a->GetAddrEntLst().GetItemCnt() == 1 && b->GetAddrEntLst().GetItemCnt() == 1;
    }));
    BaseAddrEntLstIter it(a->GetAddrEntLst());
    BaseAddrEntPtr row = it.First();
    EXPECT_EQ(row->GetHost(), bStr("NODEA"));
    EXPECT_EQ(row->GetPid(), 0);
    EXPECT_EQ(row->GetTid(), 0);
    EXPECT_EQ(row->GetComPriority(), 0);
    EXPECT_EQ(row->GetMsgRcvrPtr(), a.GetPtr());
    EXPECT_EQ(a->GetMaxPktSize(), 520u);
}

TEST(PipeHead, TheTextFormIsTheClassNameAndTheEnumerationsHaveTheirNames) {
    RuntimeScope scope{"NODEA", 1};
    PipeHead head;
    std::ostringstream text;
    head.GetIoItemFrom()->Display(text, 0);
    EXPECT_EQ(text.str(), "(PipeHead)");
    BaseEnumCvtPtr act = PipeHead::GetHeartBeatActivityCvtPtr();
    EXPECT_EQ(act->GetStr(PipeHead::SENDANDRECEIVE), bStr("SENDANDRECEIVE"));
    EXPECT_EQ(act->GetStr(PipeHead::STANDBY), bStr("STANDBY"));
    BaseEnumCvtPtr st = PipeHead::GetHeartBeatStatusCvtPtr();
    EXPECT_EQ(st->GetStr(PipeHead::INITIALIZING), bStr("INITIALIZING"));
    EXPECT_EQ(st->GetStr(3), bStr("DEAD"));
    EXPECT_EQ(PipeHead::GetDefaultHbInterval(), 4u);
    EXPECT_EQ(PipeHead::GetDefaultHbMaxMiss(), 3u);
}

// --- limits: what a receiver would never assemble, peers past the marks ---

namespace {

// A packet as a hostile peer writes it: any number, place and count, full
// of data.
std::vector<char> RawPacket(unsigned short id, unsigned short pktId, unsigned short total) {
    std::vector<char> wire(PipePktBufr::HeaderSize + PipePktBufr::DATASIZE, 'd');
    const unsigned short header[4] = {static_cast<unsigned short>(wire.size()), id, pktId, total};
    for (int i = 0; i < 4; ++i) {
        wire[2 * i] = static_cast<char>(header[i] & 0xFF);
        wire[2 * i + 1] = static_cast<char>(header[i] >> 8);
    }
    return wire;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST_F(PipeHeadFixture, AMessageOfMorePacketsThanAReceiverAcceptsIsNotSentAndARequestIsAnswered) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    rcvr.onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::PROCESSED; };
    const std::size_t tooBig = PipePktCtrl::MaxPktCnt * std::size_t{PipePktBufr::DATASIZE} + 1;
    StderrCapture err;
    // One-way: dropped. A request (its bulk in the to-address): answered.
    head->ReceiveMsg(Bulk(1, tooBig), BasePktCtrlPtr());
    PingReqMsg* req = new PingReqMsg(BaseAddrPtr(new BaseAddr(bStr(Payload(tooBig).c_str()), 77, 78)), 2);
    req->SetFrmAddr(BaseAddrPtr(rcvr.GetAddrPtr()));
    head->ReceiveMsg(BaseMsgPtr(req), BasePktCtrlPtr());
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), 0);
    world.ProcessMessages();
    int errors = 0;
    for (const Seen& s : rcvr.seen)
        if (s.stage == "DfltMsgHdlr" && s.msg->IsOfType(BaseErrMsg::ClassCode)) ++errors;
    EXPECT_EQ(errors, 1);
    const std::string text = err.Text();
    EXPECT_EQ(Lines(text), 2) << text;
    EXPECT_NE(text.find("needs more packets than a receiver accepts - BulkMsg dropped"), std::string::npos) << text;
    // The pipe stays up and the next message goes.
    head->ReceiveMsg(Bulk(3, 100), BasePktCtrlPtr());
    BulkMsgPtr next(ReadFromHead());
    ASSERT_TRUE(next.Ok());
    EXPECT_EQ(next->n, 3);
    EXPECT_EQ(head->hups, 0);
}

TEST_F(PipeHeadFixture, ARefusedMessageIsReportedOnceNotOncePerPacket) {
    StderrCapture err;
    // A 6 MB letter: 12,289 packets, each claiming the count.
    for (unsigned short p = 1; p <= 12289; ++p) EXPECT_EQ(Feed(RawPacket(40, p, 12289)), -1);
    // A misfit mid-message: the partial message goes, its rest unreported.
    EXPECT_EQ(Feed(RawPacket(41, 1, 5)), 0);
    EXPECT_EQ(Feed(RawPacket(41, 2, 9)), -1);
    for (unsigned short p = 3; p <= 9; ++p) Feed(RawPacket(41, p, 9));
    const std::string text = err.Text();
    EXPECT_EQ(Lines(text), 2) << text;
    EXPECT_NE(text.find("refused message 40: packet 1 of 12289"), std::string::npos) << text;
    // The number is free again for a message that fits.
    for (auto& wire : PacketsOfMsg(Bulk(7, 900), 40)) EXPECT_EQ(Feed(wire), 0);
    EXPECT_EQ(Delivered(), std::vector<int>{7});
    EXPECT_EQ(head->hups, 0);
}

TEST_F(PipeHeadFixture, APeerThatNeverReadsIsHungUpAtTheQueueMark) {
    ASSERT_NO_FATAL_FAILURE(Introduce());
    rcvr.onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::PROCESSED; };
    bool destroyed = false;
    head->onDestroy = [&] { destroyed = true; };
    StderrCapture err;
    // Messages of 4 MB, never read by the peer (the loop does not run).
    const std::size_t size = std::size_t{4} << 20;
    int sent = 0;
    while (head->hups == 0 && sent < 40) {
        head->ReceiveMsg(Bulk(sent, size), BasePktCtrlPtr());
        ++sent;
        EXPECT_LE(head->GetTogoBytes(), PipeHead::MaxTogoBytes);
    }
    ASSERT_EQ(head->hups, 1);
    EXPECT_GE(static_cast<std::size_t>(sent) * size, PipeHead::MaxTogoBytes);
    // As any hang-up: not polled, the queue freed, one report.
    EXPECT_FALSE(head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetTogoBytes(), 0u);
    EXPECT_EQ(head->GetHbActivity(), PipeHead::UNDEFINED);
    const std::string text = err.Text();
    EXPECT_EQ(Lines(text), 1) << text;
    EXPECT_NE(text.find("peer taken for dead, hung up"), std::string::npos) << text;
    // The routes go with the endpoint.
    head = TestPipeHeadPtr();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("PEER", 77, 78), nullptr);
}

TEST_F(PipeHeadFixture, APeerThatNeverEndsItsMessagesIsHungUpAtTheAssemblyMark) {
    StderrCapture err;
    // Messages of the largest count, each one packet short of complete.
    const unsigned short total = PipePktCtrl::MaxPktCnt;
    bool hungUp = false;
    for (unsigned short id = 1; id <= 32 && !hungUp; ++id) {
        for (unsigned short p = 1; p < total && !hungUp; ++p) {
            Feed(RawPacket(id, p, total));
            EXPECT_LE(head->GetAssemblyBytes(), PipeHead::MaxAssemblyBytes + 520);
            hungUp = head->hups > 0;
        }
    }
    ASSERT_TRUE(hungUp);
    EXPECT_FALSE(head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetAssemblyBytes(), 0u);
    const std::string text = err.Text();
    EXPECT_EQ(Lines(text), 1) << text;
    EXPECT_NE(text.find("in assembly - peer taken for dead, hung up"), std::string::npos) << text;
}

TEST_F(PipeHeadFixture, AssembledAndDroppedMessagesLeaveTheAssemblyCount) {
    // Complete, stale and evicted messages all give their bytes back.
    StderrCapture err;
    for (int i = 0; i < PipeHead::MaxRcvInAssembly + 3; ++i)
        Feed(PacketsOfMsg(Bulk(i, 2000), static_cast<unsigned short>(100 + i))[0]);
    EXPECT_EQ(head->GetAssemblyBytes(), std::size_t{PipeHead::MaxRcvInAssembly} * 520);
    for (int i = 0; i < PipeHead::MaxRcvInAssembly + 3; ++i)
        for (auto& wire : PacketsOfMsg(Bulk(i, 2000), static_cast<unsigned short>(100 + i))) Feed(wire);
    EXPECT_EQ(head->GetRcvPktCtrlLst().GetItemCnt(), 0);
    EXPECT_EQ(head->GetAssemblyBytes(), 0u);
}

TEST_F(PipeHeadFixture, ALocalPeerAnnouncesAddressesOfItsOwnPidOnly) {
    // As the listener sets it: the kernel's pid of the connected process.
    const long peerPid = 4242;
    head->SetPeerPid(peerPid);
    struct Case {
        const char* what;
        bool init;  // PipeInitMsg, else PipeRegMsg
        const char* host;
        long pid;
        bool entered;
    };
    const Case cases[] = {
        {"own pid", true, "NODEA", peerPid, true},
        {"the manager's pid 0", true, "NODEA", 0, false},
        {"another process", true, "NODEA", peerPid + 1, false},
        {"another host's process (an agent's)", true, "FAR", 7, true},
        {"own pid, registered", false, "NODEA", peerPid, true},
        {"pid 0, registered", false, "NODEA", 0, false},
        {"another process, registered", false, "NODEA", 1, false},
        {"another host's manager, registered", false, "FAR", 0, true},
    };
    unsigned short id = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = head->GetAddrEntLst().GetItemCnt();
        BaseMsgPtr msg = c.init ? BaseMsgPtr(new PipeInitMsg(c.host, c.pid, 3, 520))
                                : BaseMsgPtr(new PipeRegMsg(c.host, c.pid, 3, 9));
        StderrCapture err;
        EXPECT_EQ(Feed(PacketsOfMsg(msg, id++)[0]), 0);
        EXPECT_EQ(head->GetAddrEntLst().GetItemCnt(), before + (c.entered ? 1 : 0));
        EXPECT_EQ(Lines(err.Text()), c.entered ? 0 : 1);
        if (!c.entered) {
            EXPECT_EQ(BaseAddrEnt::LookUpRoute(c.host, c.pid, 3), nullptr);
        }
    }
    // A message for a local process nobody routes reaches nobody.
    EXPECT_EQ(BaseAddrEnt::LookUpRoute("NODEA", 999, 1), nullptr);
}
