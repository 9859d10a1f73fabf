// A process that relays between two pipes (an agent between its manager and
// a peer): a message that arrives whole in one packet leaves through the
// pipe its address leads to exactly as packing it again would send it, under
// this process's own message number, and never overtakes a message that
// arrived before it on its way through the dispatch step.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "BaseAddr.h"
#include "MsgIo.h"
#include "PipePktBufr.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestSupport.h"

namespace {

// Two endpoints in a manager world: packets arrive through "in" (the test
// writes them on in.b); the peer at out.b introduced itself as FAR, so
// messages to FAR leave through "out", where the test reads them.
struct PipeRelayFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    SockPair in, out;
    TestPipeHeadPtr inHead;
    PipeHeadPtr outHead;
    RawReader far;

    void SetUp() override {
        inHead = new TestPipeHead(in.TakeA());
        outHead = new PipeHead(out.TakeA());
        ASSERT_EQ(inHead->Initialize(), 0);
        ASSERT_EQ(outHead->Initialize(), 0);
        ASSERT_TRUE(PipeInitMsgPtr(ReadFar()).Ok());
        ASSERT_TRUE(WriteMsgRaw(out.b, BaseMsgPtr(new PipeInitMsg("FAR", 5, 6, 520)), 1));
        ASSERT_TRUE(RunUntil(world, [&] { return outHead->GetAddrEntLst().GetItemCnt() == 1; }));
    }
    BaseMsgPtr ToFar(int n, std::size_t size) {
        return BaseMsgPtr(new BulkMsg(BaseAddrPtr(new BaseAddr("FAR", 5, 6)), n, Payload(size, n)));
    }
    // The next message written to FAR, running the loop meanwhile.
    BasePtr ReadFar() {
        BasePtr got;
        RunUntil(world, [&] {
            got = far.Read(out.b, 0);
            return got.GetPtr() != nullptr || far.failed;
        });
        return got;
    }
    // The next packet written to FAR as it went on the wire.
    std::vector<char> ReadFarPacket() {
        std::vector<char> buf(520);
        RunUntil(world, [&] {
            hv::strbuf d{520, 0, buf.data()};
            int flags = 0;
            if (hv::getmsg(out.b, nullptr, &d, &flags) != 0) return false;
            buf.resize(static_cast<std::size_t>(d.len));
            return true;
        });
        return buf;
    }
    bool WriteIn(std::vector<char> wire) {
        hv::strbuf d{0, static_cast<int>(wire.size()), wire.data()};
        return hv::putmsg(in.b, nullptr, &d, 0) == 0;
    }
};

unsigned short IdOf(const std::vector<char>& wire) {
    return wire.size() >= 4 ? PipePktBufr::ReadHeader(wire.data()).ctrlId : 0;
}

}  // namespace

TEST_F(PipeRelayFixture, AOnePacketMessageLeavesAsPackingItAgainWouldSendIt) {
    struct Case {
        const char* what;
        std::size_t payload;
        int trailing;  // bytes behind the message inside its packet
    };
    int n = 0;
    for (const Case c : {Case{"a short message", 10, 0}, Case{"a full packet", 480, 0},
                         Case{"bytes behind the message", 40, 6}}) {
        const BaseMsgPtr msg = ToFar(++n, c.payload);
        std::vector<char> wire = PacketsOfMsg(msg, 4321).at(0);
        if (c.trailing > 0) {
            wire.insert(wire.end(), static_cast<std::size_t>(c.trailing), 'x');
            const auto size = static_cast<unsigned short>(wire.size());
            wire[0] = static_cast<char>(size & 0xFF);
            wire[1] = static_cast<char>(size >> 8);
        }
        const unsigned short before = PipeHead::GetNextIdVal();
        ASSERT_TRUE(WriteIn(wire)) << c.what;
        const std::vector<char> left = ReadFarPacket();
        // Numbered by this process, not by the sender.
        EXPECT_EQ(IdOf(left), static_cast<unsigned short>(before + 1)) << c.what;
        EXPECT_EQ(left, PacketsOfMsg(msg, IdOf(left)).at(0)) << c.what;
    }
    EXPECT_EQ(inHead->hups, 0);
}

TEST_F(PipeRelayFixture, OnePacketMessagesKeepTheirPlaceBehindAMessageOfManyPackets) {
    // Handed over in one go, as a reader that takes several packets in one
    // read hands them: the long message goes through the dispatch step, and
    // the short ones behind it must not overtake it.
    std::vector<std::vector<char>> wires = PacketsOfMsg(ToFar(1, 1500), 11);
    ASSERT_EQ(wires.size(), 3u);
    for (int k = 2; k <= 5; ++k) wires.push_back(PacketsOfMsg(ToFar(k, 20), static_cast<unsigned short>(10 + k)).at(0));
    for (const std::vector<char>& wire : wires) {
        BasePktBufrPtr pkt = PacketFromWire(wire);
        ASSERT_EQ(inHead->ProcessIncomingPktBufr(pkt), 0);
    }
    std::vector<int> order;
    for (int k = 1; k <= 5; ++k) {
        const BulkMsgPtr m(ReadFar());
        ASSERT_TRUE(m.Ok()) << "message " << k;
        EXPECT_EQ(std::string(static_cast<const char*>(m->data)), Payload(static_cast<std::size_t>(m->data.StrLen()), m->n));
        order.push_back(m->n);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
}
