// What the pipe endpoint sends of a message queued whole (collected bytes,
// one packet filled at a time): the same packets as cutting the message
// makes, field for field and byte for byte, in the order the messages and
// the packet objects appended from outside were queued; a write that would
// block sends the same packet again; a hang-up past the queue mark empties
// everything; a holder that keeps a packet keeps it unchanged.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "BaseAddr.h"
#include "FuncInfo.h"
#include "MsgIo.h"
#include "PipePktBufr.h"
#include "PipePollAdptr.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {

// Everything a packet shows before and when it is written.
struct PacketView {
    int offset = 0;
    int dataBytes = 0;
    int capacity = 0;
    int ctrlId = 0;
    int pktId = 0;
    int totalPkts = 0;
    int totalBytesSent = 0;  // before the send size is asked for
    std::vector<char> wire;  // header and data as written
    bool operator==(const PacketView&) const = default;
};

void PrintTo(const PacketView& v, std::ostream* os) {
    *os << "{offset " << v.offset << ", data " << v.dataBytes << ", cap " << v.capacity << ", id " << v.ctrlId
        << ", pkt " << v.pktId << "/" << v.totalPkts << ", sent " << v.totalBytesSent << ", wire " << v.wire.size()
        << " bytes}";
}

PacketView ViewOf(const BasePktBufrPtr& pkt) {
    PacketView v;
    const PipePktBufrPtr pipe(pkt);
    v.offset = pkt->GetOffset();
    v.dataBytes = pkt->GetDataBufrSize();
    v.capacity = pkt->GetMaxDataBufrSize();
    v.ctrlId = pkt->GetPktCtrlId();
    v.pktId = pkt->GetPktId();
    v.totalPkts = pkt->GetTotalPkts();
    v.totalBytesSent = pipe.Ok() ? pipe->GetTotalBytesSent() : -1;
    const int size = pkt->GetSendSize();
    const char* bytes = pkt->GetSendRecvAddr();
    v.wire.assign(bytes, bytes + size);
    return v;
}

// The view of a packet looked at again: its send size was asked for.
PacketView Again(PacketView v) {
    v.totalBytesSent = static_cast<int>(v.wire.size());
    return v;
}

// The packets cutting msg as message number id makes, as handed out.
std::vector<PacketView> CutPackets(const BaseMsgPtr& msg, unsigned short id) {
    PipePktCtrl c;
    EXPECT_EQ(c.Pack(*msg.GetPtr(), id), PipePktCtrl::PACKED);
    std::vector<PacketView> out;
    for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr())
        out.push_back(ViewOf(p));
    return out;
}

BaseMsgPtr Bulk(int n, std::size_t payload) {
    return BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("PEER", 1, 1)), n, Payload(payload, n)));
}

// The collected bytes of a bulk message with this payload.
int CollectedBytes(std::size_t payload) {
    int bytes = 0;
    for (const PacketView& v : CutPackets(Bulk(1, payload), 1)) bytes += v.dataBytes;
    return bytes;
}

// The payload that makes a bulk message of exactly this many collected
// bytes (the smallest message there is for anything at or below it).
std::size_t PayloadFor(int bytes) {
    const int least = CollectedBytes(0);
    if (bytes <= least) return 0;
    std::size_t payload = static_cast<std::size_t>(bytes - least);
    while (payload > 0 && CollectedBytes(payload) > bytes) --payload;
    while (CollectedBytes(payload) < bytes) ++payload;
    return payload;
}

unsigned short U16(const char* at) {
    return static_cast<unsigned short>(static_cast<unsigned char>(at[0]) | static_cast<unsigned char>(at[1]) << 8);
}

// An initialized endpoint on end a of a socket pair (its PipeInitMsg already
// taken off the queue); the test reads raw packets on end b.
struct SendQueueTest : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    SockPair pair;
    TestPipeHeadPtr head;
    PipePollAdptrPtr adptr;

    void SetUp() override {
        head = new TestPipeHead(pair.TakeA());
        ASSERT_EQ(head->Initialize(), 0);
        adptr = head->GetPollAdptrPtr();
        while (head->GetPktBufrToSend().GetPtr() != nullptr) {
        }
        ASSERT_EQ(head->GetTogoBytes(), 0u);
    }
    void TearDown() override {
        if (head->GetPollAdptrPtr().Ok()) adptr->DeRegister();
    }
    // Sends msg and answers the number it went under.
    unsigned short Send(const BaseMsgPtr& msg) {
        head->DfltMsgHdlr(msg, BasePktCtrlPtr());
        return PipeHead::GetNextIdVal();
    }
    BasePollAdptr::enWork Turn() {
        hv::pollfd p{adptr->GetFd(), 0, POLLOUT};
        return adptr->ProcessRevents(&p);
    }
    // Turns until nothing more is written (bounded).
    void WriteAll() {
        for (int i = 0; i < 10000 && Turn() == BasePollAdptr::DIDWORK; ++i) {
        }
    }
    // One packet from end b, or empty when none waits.
    std::vector<char> ReadRaw() {
        char buf[PipePktBufr::HeaderSize + PipePktBufr::DATASIZE + 1];
        const ssize_t n = ::recv(pair.b, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0) return {};
        return std::vector<char>(buf, buf + n);
    }
};

}  // namespace

TEST_F(SendQueueTest, EveryPacketOfAQueuedMessageIsTheOneCuttingWouldMake) {
    const int cap = PipePktBufr::DATASIZE;
    const int sizes[] = {0, 1, cap - 1, cap, cap + 1, 2 * cap, 3 * cap - 1, 3 * cap, 10 * cap + 7, 64 * cap};
    for (const bool traced : {false, true}) {
        for (const int size : sizes) {
            const std::size_t payload = PayloadFor(size);
            SCOPED_TRACE(std::string(traced ? "traced, " : "") + "collected " + std::to_string(size) +
                         ", payload " + std::to_string(payload));
            const int before = FuncInfo::GetTraceFlag();
            if (traced) {
                FuncInfo::SetTraceFlag(1);
                ::testing::internal::CaptureStderr();
                ::testing::internal::CaptureStdout();
            }
            const BaseMsgPtr msg = Bulk(3, payload);
            const unsigned short id = Send(msg);
            const std::size_t queued = head->GetTogoBytes();
            std::vector<PacketView> sent;
            const BasePktBufr* first = nullptr;
            bool reused = true;
            for (;;) {
                // (Let go of before the next is asked for, as a writer does.)
                const BasePktBufrPtr pkt = head->GetPktBufrToSend();
                if (pkt.GetPtr() == nullptr) break;
                if (first == nullptr) first = pkt.GetPtr();
                reused = reused && pkt.GetPtr() == first;
                sent.push_back(ViewOf(pkt));
            }
            if (traced) {
                static_cast<void>(::testing::internal::GetCapturedStdout());
                static_cast<void>(::testing::internal::GetCapturedStderr());
                FuncInfo::SetTraceFlag(before);
            }
            const std::vector<PacketView> cut = CutPackets(msg, id);
            ASSERT_EQ(sent.size(), cut.size());
            for (std::size_t i = 0; i < cut.size(); ++i) EXPECT_EQ(sent[i], cut[i]) << "packet " << i + 1;
            // Counted as the cut packets' blocks, and all of it gone again.
            EXPECT_EQ(queued, cut.size() * (PipePktBufr::HeaderSize + cap));
            EXPECT_EQ(head->GetTogoBytes(), 0u);
            // One object while tracing is off (nobody kept one).
            if (!traced) {
                EXPECT_TRUE(reused);
            }
        }
    }
}

TEST_F(SendQueueTest, PacketsLeaveInTheOrderTheirMessagesAndPacketObjectsWereQueued) {
    // (message number, packet number) of every packet, in the order the
    // peer must get them.
    std::vector<std::pair<int, int>> expected;
    auto expect = [&](unsigned short id, const BaseMsgPtr& msg) {
        for (const PacketView& v : CutPackets(msg, id)) expected.emplace_back(id, v.pktId);
    };
    // A packet object as a derived endpoint appends it: message 900's only one.
    auto extra = [&](unsigned short id) {
        std::vector<std::vector<char>> wire = PacketsOfMsg(Bulk(id, 10), id);
        EXPECT_EQ(wire.size(), 1u);
        expected.emplace_back(id, 1);
        return PacketFromWire(wire[0]);
    };

    const BaseMsgPtr a = Bulk(1, 3000);
    expect(Send(a), a);  // queued whole
    BasePktBufrLst& list = head->GetTogoPktLst();
    EXPECT_EQ(list.GetItemCnt(), static_cast<int>(expected.size())) << "the queued message was cut for the caller";
    list.Append(extra(900));
    const BaseMsgPtr b = Bulk(2, 700);
    expect(Send(b), b);  // behind a packet object: cut
    EXPECT_EQ(list.GetItemCnt(), static_cast<int>(expected.size()));
    // Written to the peer, a turn at a time, interleaved with more traffic.
    std::vector<std::pair<int, int>> got;
    auto readAll = [&] {
        for (std::vector<char> p = ReadRaw(); !p.empty(); p = ReadRaw()) got.emplace_back(U16(&p[2]), U16(&p[4]));
    };
    for (int i = 0; i < 3; ++i) Turn();
    readAll();
    const BaseMsgPtr c = Bulk(3, 2000);
    expect(Send(c), c);  // packets still wait: cut
    WriteAll();
    readAll();
    // The list is empty now: the next message is queued whole, and a packet
    // appended through the list taken earlier goes behind it, even when
    // some of the message already left.
    const BaseMsgPtr d = Bulk(4, 2500);
    expect(Send(d), d);
    Turn();
    list.Append(extra(901));
    const BaseMsgPtr e = Bulk(5, 600);
    expect(Send(e), e);  // behind a packet object: cut
    Turn();
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), static_cast<int>(expected.size() - got.size()) - 2)
        << "the rest of d, then 901 and e";
    WriteAll();
    readAll();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(head->hups, 0);
}

TEST_F(SendQueueTest, AWriteThatWouldBlockSendsTheSamePacketAgain) {
    const BaseMsgPtr msg = Bulk(9, std::size_t{1} << 20);
    const unsigned short id = Send(msg);
    const std::vector<std::vector<char>> cut = PacketsOfMsg(msg, id);
    // The peer does not read: the socket fills and writes would block.
    int blocked = 0;
    for (std::size_t i = 0; i < cut.size() && blocked < 3; ++i)
        if (Turn() == BasePollAdptr::NOWORK) ++blocked;
    ASSERT_EQ(blocked, 3) << "the socket never filled";
    // Then it reads while the endpoint writes: every packet once, in order.
    std::vector<std::vector<char>> got;
    for (int i = 0; i < 100000 && got.size() < cut.size(); ++i) {
        Turn();
        for (std::vector<char> p = ReadRaw(); !p.empty(); p = ReadRaw()) got.push_back(std::move(p));
    }
    ASSERT_EQ(got.size(), cut.size());
    for (std::size_t i = 0; i < cut.size(); ++i) ASSERT_EQ(got[i], cut[i]) << "packet " << i + 1;
    EXPECT_EQ(head->GetTogoBytes(), 0u);
    EXPECT_EQ(head->hups, 0);
}

TEST_F(SendQueueTest, AHangUpPastTheQueueMarkEmptiesBothQueues) {
    StderrCapture err;
    BasePktBufrLst& list = head->GetTogoPktLst();
    Send(Bulk(1, 5000));  // queued whole
    list.Append(PacketFromWire(PacketsOfMsg(Bulk(2, 10), 2)[0]));  // behind it, through the list
    ASSERT_GT(head->GetTogoBytes(), 0u);
    // Messages of 4 MB the peer never reads, until the endpoint gives up.
    int sent = 0;
    while (head->hups == 0 && sent < 40) {
        Send(Bulk(3 + sent, std::size_t{4} << 20));
        ++sent;
        EXPECT_LE(head->GetTogoBytes(), PipeHead::MaxTogoBytes);
    }
    ASSERT_EQ(head->hups, 1);
    EXPECT_EQ(list.GetItemCnt(), 0);
    EXPECT_EQ(head->GetTogoBytes(), 0u);
    EXPECT_EQ(head->GetPktBufrToSend().GetPtr(), nullptr);
    EXPECT_EQ(head->GetTogoPktLst().GetItemCnt(), 0);
    EXPECT_NE(err.Text().find("peer taken for dead, hung up"), std::string::npos);
}

TEST_F(SendQueueTest, APacketAHolderKeepsIsNeitherReusedNorChanged) {
    const BaseMsgPtr msg = Bulk(4, 5 * PipePktBufr::DATASIZE);
    const unsigned short id = Send(msg);
    const std::vector<PacketView> cut = CutPackets(msg, id);
    ASSERT_GE(cut.size(), 5u);
    BasePktBufrPtr kept = head->GetPktBufrToSend();
    const PacketView keptView = ViewOf(kept);
    BasePktBufrPtr second = head->GetPktBufrToSend();
    EXPECT_NE(second.GetPtr(), kept.GetPtr());
    EXPECT_EQ(ViewOf(kept), Again(keptView));
    EXPECT_EQ(keptView, cut[0]);
    EXPECT_EQ(ViewOf(second), cut[1]);
    // Once nobody but the endpoint holds it, the newer object is filled again.
    const BasePktBufr* secondObject = second.GetPtr();
    second = BasePktBufrPtr();
    BasePktBufrPtr third = head->GetPktBufrToSend();
    EXPECT_EQ(third.GetPtr(), secondObject);
    EXPECT_EQ(ViewOf(third), cut[2]);
    // Everything a holder keeps stays as it was handed out.
    std::vector<BasePktBufrPtr> all{kept, third};
    for (BasePktBufrPtr p = head->GetPktBufrToSend(); p.GetPtr() != nullptr; p = head->GetPktBufrToSend())
        all.push_back(p);
    ASSERT_EQ(all.size(), cut.size() - 1);
    EXPECT_EQ(ViewOf(all[0]), Again(cut[0]));
    EXPECT_EQ(ViewOf(all[1]), Again(cut[2]));
    for (std::size_t i = 2; i < all.size(); ++i) EXPECT_EQ(ViewOf(all[i]), cut[i + 1]) << "packet " << i + 2;
}
