// The pipe endpoint in one process: a PipeHead on one end of a socket pair
// and a raw peer (the test) or a second endpoint on the other. Packet ids,
// messages of one and of many packets, interleaved and stale partial
// messages, the PipeInitMsg exchange and the routes it enters, route
// announcements, hang-ups and sending after one.
#include <gtest/gtest.h>

#include "BaseAddr.h"
#include "BaseErrMsg.h"
#include "IoObjectCvt.h"
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
