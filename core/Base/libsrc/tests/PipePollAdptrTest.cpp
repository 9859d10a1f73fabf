// The pipe poll adapter's event table over a real socket pair: what it asks
// the poll for, and what each combination of events does to the pipe and the
// endpoint (reads, writes, hang-ups, errors; a failed read or write gives one
// hang-up; "no room now" is not one).
#include <gtest/gtest.h>

#include "BasePtrLstIter.h"
#include "MsgIo.h"
#include "PipePollAdptr.h"
#include "PipeTransportTestSupport.h"
#include "platform/NamedPipe.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {

// An endpoint on end a, initialized (its PipeInitMsg queued), and the raw
// peer on end b.
struct Rig {
    SockPair pair;
    TestPipeHeadPtr head;
    PipePollAdptrPtr adptr;
    RawReader peer;

    Rig() {
        head = new TestPipeHead(pair.TakeA());
        if (head->Initialize() != 0) std::abort();
        adptr = head->GetPollAdptrPtr();
    }
    ~Rig() {
        if (head->GetPollAdptrPtr().Ok()) adptr->DeRegister();
    }
    BasePollAdptr::enWork Turn(short revents) {
        hv::pollfd p{adptr->GetFd(), 0, revents};
        return adptr->ProcessRevents(&p);
    }
    // Writes every queued packet (the peer drains as it goes).
    void Drain() {
        while (head->GetTogoPktLst().GetItemCnt() > 0) Turn(POLLOUT);
        while (peer.Read(pair.b, 0).GetPtr() != nullptr) {
        }
    }
};

struct PipePollAdptrTest : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
};

BaseMsgPtr Small(int n) { return BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 1, 1)), n, "hello")); }

}  // namespace

TEST_F(PipePollAdptrTest, ItAsksForWritabilityOnlyWhilePacketsWait) {
    Rig rig;
    hv::pollfd p{-7, 0, 99};
    rig.adptr->PopulatePollInfo(&p);
    // The PipeInitMsg waits.
    EXPECT_EQ(p.fd, rig.adptr->GetFd());
    EXPECT_EQ(p.events, POLLIN | POLLOUT);
    EXPECT_EQ(p.revents, 0);
    EXPECT_EQ(rig.Turn(POLLOUT), BasePollAdptr::DIDWORK);
    EXPECT_EQ(rig.adptr->GetReadyToSnd(), 1);
    // The first writable turn that finds the queue empty writes nothing.
    EXPECT_EQ(rig.Turn(POLLOUT), BasePollAdptr::NOWORK);
    EXPECT_EQ(rig.adptr->GetReadyToSnd(), 0);
    rig.adptr->PopulatePollInfo(&p);
    EXPECT_EQ(p.events, POLLIN);
    EXPECT_TRUE(PipeInitMsgPtr(rig.peer.Read(rig.pair.b, 1000)).Ok());
    EXPECT_EQ(rig.peer.Read(rig.pair.b, 0).GetPtr(), nullptr);  // nothing more was written
    rig.head->DfltMsgHdlr(Small(1), BasePktCtrlPtr());
    rig.adptr->PopulatePollInfo(&p);
    EXPECT_EQ(p.events, POLLIN | POLLOUT);
}

TEST_F(PipePollAdptrTest, EachCombinationOfEventsDoesWhatItShould) {
    struct Case {
        const char* what;
        short revents;
        bool peerSends;   // a one-packet message waits for the endpoint
        bool peerCloses;  // the peer is gone (after sending, if it sends)
        BasePollAdptr::enWork result;
        int packetsIn;  // handed to the endpoint
        int written;    // packets the peer got
        int hups;
        const char* text;  // expected on stderr
    };
    const Case cases[] = {
        {"read and write in one turn", POLLIN | POLLOUT, true, false, BasePollAdptr::DIDWORK, 1, 1, 0, ""},
        {"read, then the hang-up", POLLIN | POLLHUP, true, true, BasePollAdptr::DIDWORK, 1, 0, 1, ""},
        {"hang-up alone", POLLHUP, false, true, BasePollAdptr::NOWORK, 0, 0, 1, ""},
        {"hang-up hides writability", POLLHUP | POLLOUT, false, false, BasePollAdptr::NOWORK, 0, 0, 1, ""},
        {"error", POLLERR | POLLOUT, false, false, BasePollAdptr::NOWORK, 0, 0, 1,
         "PipePollAdptr: got POLLERR  on file descriptor "},
        {"read fails: one hang-up, no write", POLLIN | POLLOUT, false, true, BasePollAdptr::DIDWORK, 0, 0, 1,
         "PipePollAdptr getmsg failed \n"},
        {"write fails: one hang-up, packet dropped", POLLOUT, false, true, BasePollAdptr::DIDWORK, 0, 0, 1,
         "PipePollAdaptr putmsg failed\n"},
        {"nothing to read now is not a hang-up", POLLIN, false, false, BasePollAdptr::NOWORK, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.Drain();  // the PipeInitMsg
        rig.head->DfltMsgHdlr(Small(1), BasePktCtrlPtr());
        const int queued = rig.head->GetTogoPktLst().GetItemCnt();
        ASSERT_EQ(queued, 1);
        if (c.peerSends) {
            ASSERT_TRUE(WriteMsgRaw(rig.pair.b, Small(2), 5));
        }
        int fromPeerSide = 0;
        if (c.peerCloses) rig.pair.CloseB();
        StderrCapture err;
        const int before = rig.head->packetsIn;
        EXPECT_EQ(rig.Turn(c.revents), c.result);
        EXPECT_EQ(rig.head->packetsIn - before, c.packetsIn);
        EXPECT_EQ(rig.head->hups, c.hups);
        if (!c.peerCloses) {
            if (BulkMsgPtr(rig.peer.Read(rig.pair.b, 0)).Ok()) ++fromPeerSide;
            EXPECT_EQ(fromPeerSide, c.written);
        }
        const bool dropped = std::string(c.what).find("dropped") != std::string::npos;
        // A packet stays queued unless it was written or dropped.
        EXPECT_EQ(rig.head->GetTogoPktLst().GetItemCnt(), queued - c.written - (dropped ? 1 : 0));
        EXPECT_EQ(rig.head->GetPollAdptrPtr().Ok(), c.hups == 0);
        const std::string text = err.Text();
        if (*c.text == '\0')
            EXPECT_EQ(text, "");
        else
            EXPECT_NE(text.find(c.text), std::string::npos) << text;
    }
}

TEST_F(PipePollAdptrTest, AWriteThatWouldBlockKeepsThePacketForALaterTurn) {
    Rig rig;
    rig.Drain();
    const std::string payload = Payload(1 << 20);
    rig.head->DfltMsgHdlr(BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 1, 1)), 9, payload)),
                          BasePktCtrlPtr());
    const int total = rig.head->GetTogoPktLst().GetItemCnt();
    ASSERT_GT(total, 2000);
    // The peer does not read: the socket fills and writes would block.
    int blockedTurns = 0;
    for (int i = 0; i < total && blockedTurns < 3; ++i)
        if (rig.Turn(POLLOUT) == BasePollAdptr::NOWORK) ++blockedTurns;
    ASSERT_EQ(blockedTurns, 3) << "the socket never filled";
    EXPECT_EQ(rig.head->hups, 0);
    EXPECT_TRUE(rig.head->GetPollAdptrPtr().Ok());
    EXPECT_EQ(rig.adptr->GetReadyToSnd(), 1);
    // Now the peer reads while the adapter writes: every packet arrives once,
    // in order, and each left the queue through slot 18 once.
    BulkMsgPtr got;
    for (int i = 0; i < 100000 && !got.Ok(); ++i) {
        rig.Turn(POLLOUT);
        got = rig.peer.Read(rig.pair.b, 0);
    }
    ASSERT_TRUE(got.Ok());
    EXPECT_EQ(got->n, 9);
    EXPECT_TRUE(std::string(static_cast<const char*>(got->data)) == payload);
    EXPECT_EQ(rig.head->packetsPassed, total + 1);  // and the PipeInitMsg
    EXPECT_EQ(rig.head->hups, 0);
}

TEST_F(PipePollAdptrTest, AMessageLongerThanAPacketIsReadInPartsAndThePipeStaysUp) {
    Rig rig;
    rig.Drain();
    std::string big(600, 'z');
    hv::strbuf d{0, 600, big.data()};
    ASSERT_EQ(hv::putmsg(rig.pair.b, nullptr, &d, 0), 0);
    ASSERT_TRUE(WriteMsgRaw(rig.pair.b, Small(3), 6));
    StderrCapture err;
    for (int i = 0; i < 3; ++i) rig.Turn(POLLIN);
    EXPECT_EQ(rig.head->hups, 0);
    EXPECT_NE(err.Text().find("PipePollAdptr in MOREDATA CaseinBuf.len = 520\n"), std::string::npos) << err.Text();
    // The good message behind it arrived.
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 1);
}

// After any packet of a message but its last, the next is read without the
// kernel's word; a read that finds nothing (the rest not sent yet, or never)
// ends that, so the loop waits again instead of spinning, and the message
// still arrives whole.
TEST_F(PipePollAdptrTest, TheRestOfAMessageIsExpectedUntilAReadFindsNothing) {
    Rig rig;
    rig.Drain();
    PollManager& pm = world.GetPollManager();
    const std::string payload = Payload(1800, 3);
    const auto packets = PacketsOfMsg(BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 1, 1)), 4, payload)), 7);
    ASSERT_GE(packets.size(), 4u);
    auto send = [&rig](const std::vector<char>& p) {
        hv::strbuf d{0, static_cast<int>(p.size()), const_cast<char*>(p.data())};
        ASSERT_EQ(hv::putmsg(rig.pair.b, nullptr, &d, 0), 0);
    };
    pm.PollForWork(0);  // takes in what changed since the drain

    send(packets[0]);
    EXPECT_EQ(pm.PollForWork(1000), BasePollAdptr::DIDWORK);
    EXPECT_TRUE(rig.adptr->ExpectsInput());
    // The rest is late: one read finds nothing, and the loop may wait again.
    EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::NOWORK);
    EXPECT_FALSE(rig.adptr->ExpectsInput());
    EXPECT_EQ(rig.head->hups, 0);

    for (std::size_t i = 1; i < packets.size(); ++i) send(packets[i]);
    EXPECT_EQ(pm.PollForWork(1000), BasePollAdptr::DIDWORK);
    for (std::size_t i = 2; i < packets.size(); ++i) {
        EXPECT_TRUE(rig.adptr->ExpectsInput()) << "after packet " << i;
        EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::DIDWORK) << "packet " << i + 1;
    }
    EXPECT_FALSE(rig.adptr->ExpectsInput()) << "the last packet came";
    ASSERT_EQ(world.GetMsgList().GetItemCnt(), 1);
    const BulkMsgPtr got(BasePtr(BasePtrLstIter(world.GetMsgList()).First()));
    ASSERT_TRUE(got.Ok());
    EXPECT_EQ(got->n, 4);
    EXPECT_TRUE(std::string(static_cast<const char*>(got->data)) == payload);
}

// A pipe whose reads may wait is read only when the kernel says so, even
// in the middle of a message: the loop must never wait on a pipe.
TEST_F(PipePollAdptrTest, APipeWhoseReadsMayWaitIsNeverReadWithoutNews) {
    Rig rig;
    rig.Drain();
    ASSERT_EQ(portlib::platform::PipeSetBlocking(rig.adptr->GetFd(), true), 0);
    PollManager& pm = world.GetPollManager();
    const auto packets = PacketsOfMsg(BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 1, 1)), 5, Payload(1200))), 8);
    ASSERT_GE(packets.size(), 3u);
    for (std::size_t i = 0; i < packets.size(); ++i) {
        hv::strbuf d{0, static_cast<int>(packets[i].size()), const_cast<char*>(packets[i].data())};
        ASSERT_EQ(hv::putmsg(rig.pair.b, nullptr, &d, 0), 0);
        EXPECT_EQ(pm.PollForWork(1000), BasePollAdptr::DIDWORK) << "packet " << i + 1;
        EXPECT_FALSE(rig.adptr->ExpectsInput()) << "packet " << i + 1;
    }
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 1);
}

TEST_F(PipePollAdptrTest, TheAdapterHoldsItsEndpointAndTheEndpointForgetsAGoneAdapter) {
    Rig rig;
    EXPECT_EQ(rig.adptr->GetPipeHeadPtr().GetPtr(), rig.head.GetPtr());
    PipePollAdptr bare;
    EXPECT_EQ(bare.GetFd(), -1);
    EXPECT_EQ(bare.GetReadyToSnd(), 0);
    EXPECT_FALSE(bare.GetPipeHeadPtr().Ok());
    hv::pollfd p{0, 0, POLLIN};
    EXPECT_EQ(bare.ProcessRevents(&p), BasePollAdptr::NOWORK);  // no endpoint: nothing to do
    // Once the poll manager lets the adapter go, the endpoint holds nothing.
    rig.adptr->DeRegister();
    rig.adptr = PipePollAdptrPtr();
    EXPECT_FALSE(rig.head->GetPollAdptrPtr().Ok());
}
