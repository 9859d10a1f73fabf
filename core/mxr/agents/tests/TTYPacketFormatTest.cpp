// The serial packet: its header on the line field by field, the checksums,
// the sizes, and the reply message's two encodings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TTYPktBufr.h"
#include "TTYPktCtrl.h"
#include "TTYReplyMsg.h"
#include "TTYTestSupport.h"

namespace {

TTYPktBufrPtr WithBytes(const std::string& bytes) {
    TTYPktBufrPtr p(new TTYPktBufr());
    std::memcpy(p->GetSendRecvAddr(), bytes.data(), bytes.size());
    return p;
}

}  // namespace

TEST(TTYPktBufrChecksum, FoldsTheByteSumWithoutComplement) {
    struct Case {
        std::string bytes;
        unsigned sum;
    };
    // 0x1FFFF as a byte sum: 514 bytes of 0xFF (0x1FDFE) and one of 0x201 - 0xFF... built below.
    const std::vector<Case> cases = {
        {"", 0},
        {"abc", 294},
        {std::string(1, '\xff'), 0xFF},
        {std::string(257, '\xff'), 0xFFFF},  // 257 * 255 = 0xFFFF: no fold
        {std::string(258, '\xff'), 0x00FF},  // 0x100FE folds to 0xFF
    };
    for (const Case& c : cases) {
        TTYPktBufrPtr p = WithBytes(c.bytes);
        EXPECT_EQ(p->checksum(static_cast<int>(c.bytes.size())), c.sum) << c.bytes.size() << " bytes";
    }
    // A sum of exactly 0x1FFFF: t = 0x10000, result 1.
    std::string s(513, '\xff');  // 513 * 255 = 0x1FEFF
    s.push_back(static_cast<char>(0x00));
    TTYPktBufrPtr p = WithBytes(s);
    unsigned char* b = reinterpret_cast<unsigned char*>(p->GetSendRecvAddr());
    b[513] = 0xFF;
    b[514] = 0x01;  // 0x1FEFF + 0xFF + 0x01 = 0x1FFFF
    EXPECT_EQ(p->checksum(515), 1u);
}

TEST(TTYPktBufrSizes, CapacityLengthAndReceivedSize) {
    struct Case {
        int setMax;
        int cap;
    };
    for (const Case& c : std::vector<Case>{{520, 496}, {536, 512}, {40, 32}, {2000, 512}, {10, 512}}) {
        TTYPktBufr p;
        p.SetMaxPktSize(c.setMax);
        EXPECT_EQ(p.GetMaxDataBufrSize(), c.cap) << c.setMax;
        EXPECT_EQ(p.GetMaxPktSize(), c.cap + 24);
    }
    TTYPktBufr p;
    EXPECT_EQ(p.GetRecvSize(), 536);
    EXPECT_EQ(p.GetPktHeaderSize(), 24);
    EXPECT_EQ(p.PutBytes("0123456789", 10), 10);
    EXPECT_EQ(p.GetSendSize(), 34);
    EXPECT_EQ(p.GetTotalBytesSent(), 34);

    TTYPktBufr r;
    r.SetTotalBytesSent(34);
    EXPECT_EQ(r.SetRecvdSize(34), 0);
    EXPECT_EQ(r.GetBytesOfData(), 10);
    EXPECT_EQ(r.SetRecvdSize(33), -1);
    EXPECT_EQ(r.SetRecvdSize(0), -1);
    EXPECT_EQ(r.GetBytesOfData(), 0);
}

TEST(TTYPktBufrHeader, FieldsAreLittleEndianAtTheirPlaces) {
    TTYPktBufr p;
    p.SetPktCtrlId(0x1234);
    p.SetPktId(0x0201);
    p.SetTotalPkts(0x0302);
    p.SetAckNotRequired(1);
    p.PutBytes("xyz", 3);
    p.StampCheckSums();
    const unsigned char* b = p.GetBlock();
    const unsigned char want[] = {'!', '@', '#', '$', 27, 0, 0x34, 0x12, 0x01, 0x02, 0x02, 0x03, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(b, want, sizeof want), 0);
    const unsigned h = b[16] | (b[17] << 8) | (b[18] << 16) | (b[19] << 24);
    const unsigned k = b[20] | (b[21] << 8) | (b[22] << 16) | (b[23] << 24);
    EXPECT_EQ(h, p.GetHeaderCheckSum());
    EXPECT_EQ(k, p.GetPacketCheckSum());
    EXPECT_EQ(h >> 16, 0u);
    // The header sum is taken with both sums 0; the packet sum with the
    // header sum in place.
    TTYPktBufr q;
    std::memcpy(q.GetSendRecvAddr(), b, 27);
    q.SetHeaderCheckSum(0);
    q.SetPacketCheckSum(0);
    EXPECT_EQ(q.checksum(24), h);
    q.SetHeaderCheckSum(h);
    EXPECT_EQ(q.checksum(27), k);
    EXPECT_TRUE(p.HeaderCheckSumMatch());
    EXPECT_TRUE(p.PacketCheckSumMatch(27));
    // Checking leaves the packet as it was.
    EXPECT_EQ(p.GetHeaderCheckSum(), h);
    EXPECT_EQ(p.GetPacketCheckSum(), k);
    // Every byte of the packet, padding included, is covered.
    for (int i = 0; i < 27; ++i) {
        TTYPktBufr d;
        std::memcpy(d.GetSendRecvAddr(), b, 27);
        d.GetSendRecvAddr()[i] ^= 0x10;
        const bool headerOk = d.HeaderCheckSumMatch() != 0;
        const bool packetOk = d.PacketCheckSumMatch(27) != 0;
        EXPECT_FALSE(headerOk && packetOk) << "byte " << i;
        if (i >= 24) {
            EXPECT_TRUE(headerOk) << "byte " << i;
        }
    }
}

TEST(TTYPktBufrEncoding, ObjectFormRoundTripsHeaderAndData) {
    // A packet never travels as an object (no decoder builds one); its own
    // encodings still read back what they wrote.
    TTYPktBufrPtr p(new TTYPktBufr());
    p->SetPktCtrlId(7);
    p->SetPktId(2);
    p->SetTotalPkts(3);
    p->PutBytes("hello", 5);
    p->StampCheckSums();
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    ASSERT_EQ(p->Serialize(c), 0);
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    TTYPktBufrPtr back(new TTYPktBufr());
    ASSERT_EQ(back->Serialize(c), 0);
    // The marker is the line's, not the object's.
    EXPECT_EQ(std::memcmp(back->GetBlock() + 4, p->GetBlock() + 4, 20 + 5), 0);
    EXPECT_EQ(back->GetBytesOfData(), 5);
    EXPECT_EQ(ttytest::RoundTrip(BasePtr(p)).GetPtr(), nullptr);
    const std::string text = ttytest::TextOf(BasePtr(p));
    for (const char* key : {"offset", "bytesOfData", "maxDataBufrSize", "totalBytesSent", "pktCtrlId", "pktId",
                            "totalPkts", "ackNotRequired", "headerCheckSum", "packetCheckSum"})
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
    TTYPktBufr fromText;
    ASSERT_EQ(SetFromIoItem(GetIoItemFrom(*p.GetPtr()), fromText), 0);
    EXPECT_EQ(std::memcmp(fromText.GetBlock() + 4, p->GetBlock() + 4, 20), 0);
}

TEST(TTYPktCtrl, PacksIntoSerialPacketsOf520AndAssemblesThem) {
    std::string data(1200, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    TTYPktCtrlPtr out(new TTYPktCtrl());
    out->SetDirection(BasePktCtrl::INTOPKT);
    out->SetPktCtrlId(42);
    EXPECT_EQ(out->GetMaxPktSize(), 520);
    ASSERT_EQ(out->DoBytes(data.data(), static_cast<int>(data.size())), 0);
    std::vector<TTYPktBufrPtr> pkts;
    for (BasePktBufrPtr b = out->GetFirstPktBufr(); b.GetPtr() != nullptr; b = out->GetNextPktBufr()) {
        TTYPktBufrPtr t(b);
        ASSERT_TRUE(t.Ok());
        pkts.push_back(t);
    }
    ASSERT_EQ(pkts.size(), 3u);
    EXPECT_EQ(pkts[0]->GetBytesOfData(), 496);
    EXPECT_EQ(pkts[2]->GetBytesOfData(), 1200 - 2 * 496);
    for (std::size_t i = 0; i < pkts.size(); ++i) {
        EXPECT_EQ(pkts[i]->GetPktCtrlId(), 42);
        EXPECT_EQ(pkts[i]->GetPktId(), i + 1);
        EXPECT_EQ(pkts[i]->GetTotalPkts(), 3);
    }
    // Out of order, as the line may deliver them.
    TTYPktCtrlPtr in(new TTYPktCtrl(BasePktBufrPtr(pkts[2])));
    EXPECT_FALSE(in->AllThere());
    BasePktBufrPtr first(pkts[0]);
    BasePktBufrPtr second(pkts[1]);
    in->PutPktBufr(first);
    in->PutPktBufr(second);
    ASSERT_TRUE(in->AllThere());
    in->SetDirection(BasePktCtrl::OUTOFPKT);
    in->SetOffset(0);
    std::string back(1200, '\0');
    ASSERT_EQ(in->DoBytes(back.data(), 1200), 0);
    EXPECT_EQ(back, data);
}

TEST(TTYReplyMsg, CarriesItsAnswerAndPacketOnBothForms) {
    for (TTYReplyMsg::ReplyType r : {TTYReplyMsg::ACK, TTYReplyMsg::NACK}) {
        TTYReplyMsgPtr m(new TTYReplyMsg(BaseAddrPtr(), r, 7, 2));
        TTYReplyMsgPtr back(ttytest::RoundTrip(BasePtr(m)));
        ASSERT_TRUE(back.Ok());
        EXPECT_EQ(back->GetReply(), r);
        EXPECT_EQ(back->GetPktCtrlId(), 7);
        EXPECT_EQ(back->GetPktId(), 2);
        const std::string text = ttytest::TextOf(BasePtr(m));
        EXPECT_NE(text.find(r == TTYReplyMsg::ACK ? "ACK" : "NACK"), std::string::npos) << text;
        TTYReplyMsgPtr fromText(ttytest::TextRoundTrip(BasePtr(m)));
        ASSERT_TRUE(fromText.Ok());
        EXPECT_EQ(fromText->GetReply(), r);
        EXPECT_EQ(fromText->GetPktId(), 2);
    }
    // The wire form ends in the reply (4 bytes) and the two numbers (2 each).
    const std::vector<char> wire = ttytest::WireOf(BasePtr(new TTYReplyMsg(BaseAddrPtr(), TTYReplyMsg::NACK, 0x0107, 0x0203)));
    ASSERT_GE(wire.size(), 8u);
    const std::string tail(wire.end() - 8, wire.end());
    EXPECT_EQ(tail, std::string("\x01\x00\x00\x00\x07\x01\x03\x02", 8));
}
