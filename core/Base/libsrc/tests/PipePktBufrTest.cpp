// The pipe packet: capacity, received sizes, data in and out, its own form.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PipePktBufr.h"
#include "BlockPool.h"
#include "WireTestClasses.h"

TEST(PipePktBufr, NewPacketIsEmptyWithFullCapacity) {
    PipePktBufr p;
    EXPECT_EQ(p.GetMaxDataBufrSize(), 512);
    EXPECT_EQ(p.GetMaxPktSize(), 520);
    EXPECT_EQ(p.GetDataBufrSize(), 0);
    EXPECT_EQ(p.GetRecvSize(), 520);
    EXPECT_EQ(p.GetPktHeaderSize(), 8);
    EXPECT_EQ(p.GetSendSize(), 8);
}

TEST(PipePktBufr, CapacityFromPacketSize) {
    const int cases[][2] = {{520, 512}, {65535, 512}, {100, 92}, {40, 32}, {20, 32}, {4, 512}, {-1, 512}, {8, 32}};
    for (const auto& k : cases) {
        PipePktBufr p;
        p.SetMaxPktSize(k[0]);
        EXPECT_EQ(p.GetMaxDataBufrSize(), k[1]) << "size " << k[0];
    }
    PipePktBufr small;
    small.SetMaxPktSize(100);
    char bytes[200] = {};
    EXPECT_EQ(small.PutBytes(bytes, 200), 92);
    EXPECT_EQ(small.PutBytes(bytes, 1), 0);  // full
}

TEST(PipePktBufr, ReceivedSizes) {
    struct Case {
        int count;
        unsigned short announced;  // TotalBytesSent in the header
        int rc;
        int data;
    };
    const Case cases[] = {
        {0, 8, -1, 0},     {-5, 8, -1, 0},  {1, 8, -1, 0},  {7, 8, -1, 0},  // no room for a header
        {8, 8, 0, 0},      {9, 9, 0, 1},    {520, 520, 0, 512},
        {20, 520, -1, 12},  // arrived short of what the header says
        {521, 521, -1, 0},  // more than any packet holds
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.count);
        PipePktBufr p;
        char* addr = p.GetSendRecvAddr();
        addr[0] = static_cast<char>(k.announced & 0xFF);
        addr[1] = static_cast<char>(k.announced >> 8);
        EXPECT_EQ(p.SetRecvdSize(k.count), k.rc);
        EXPECT_EQ(p.GetDataBufrSize(), k.data);
    }
}

TEST(PipePktBufr, HeaderGoesLittleEndianInFrontOfTheData) {
    PipePktBufr p;
    p.SetPktCtrlId(0x0102);
    p.SetPktId(3);
    p.SetTotalPkts(0x0405);
    EXPECT_EQ(p.PutBytes("xyz", 3), 3);
    const int size = p.GetSendSize();
    ASSERT_EQ(size, 11);
    const unsigned char* a = reinterpret_cast<const unsigned char*>(p.GetSendRecvAddr());
    EXPECT_EQ(Bytes(a, a + size), Hex("0B 00 02 01 03 00 05 04 78 79 7A"));

    // The same block received on the other side.
    int rc = -9;
    BasePktBufrPtr q = Received(Bytes(a, a + size), &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(q->GetPktCtrlId(), 0x0102);
    EXPECT_EQ(q->GetPktId(), 3);
    EXPECT_EQ(q->GetTotalPkts(), 0x0405);
    char out[8] = {};
    EXPECT_EQ(q->GetBytes(out, 8), 3);
    EXPECT_STREQ(out, "xyz");
    EXPECT_EQ(q->GetBytes(out, 8), 0);
}

TEST(PipePktBufr, WritingBehindAPositionMovedBackKeepsTheData) {
    PipePktBufr p;
    p.PutBytes("abcdef", 6);
    p.SetOffset(2);
    p.PutBytes("XY", 2);
    EXPECT_EQ(p.GetDataBufrSize(), 6);
    p.SetOffset(0);
    char out[7] = {};
    EXPECT_EQ(p.GetBytes(out, 6), 6);
    EXPECT_STREQ(out, "abXYef");
    // A position set beyond the data or the capacity moves nothing.
    p.SetOffset(60000);
    EXPECT_EQ(p.GetBytes(out, 6), 0);
    EXPECT_EQ(p.PutBytes("z", 1), 0);
}

TEST(PipePktBufr, FieldsSetToAnythingNeverReachBeyondTheBlock) {
    PipePktBufr p;
    p.SetBytesOfData(60000);
    p.SetMaxDataBufrSize(60000);
    char big[1024] = {};
    EXPECT_EQ(p.GetBytes(big, 1024), 512);
    p.SetOffset(0);
    EXPECT_EQ(p.PutBytes(big, 1024), 512);
    EXPECT_EQ(p.GetSendSize(), 520);
}

TEST(PipePktBufr, EmptyPacketObjectIsFifteenBytes) {
    PipePktBufr p;
    EXPECT_EQ(SerializeOf(p), Hex("28 00 00 00 00 00 02 00 00 00 00 00 00 00 00"));
}

TEST(PipePktBufr, ObjectFormCarriesFieldsAndDataAndClearsTheRest) {
    PipePktBufr p;
    p.SetPktCtrlId(5);
    p.SetPktId(1);
    p.SetTotalPkts(2);
    p.PutBytes("hello", 5);
    const Bytes wire = SerializeOf(p);
    EXPECT_EQ(wire, Hex("28 05 00 05 00 00 02 00 00 05 00 01 00 02 00 68 65 6C 6C 6F"));

    PipePktBufr back;
    back.PutBytes("XXXXXXXXXX", 10);  // old data beyond the new must go
    Reader r = ReaderOf(wire);
    ASSERT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.GetDataBufrSize(), 5);
    EXPECT_EQ(back.GetPktCtrlId(), 5);
    back.SetOffset(0);
    char out[16] = {};
    EXPECT_EQ(back.GetBytes(out, 16), 5);
    const char* block = back.GetSendRecvAddr() + 8;
    EXPECT_EQ(std::memcmp(block, "hello\0\0\0\0\0", 10), 0);
}

TEST(PipePktBufr, ObjectFormClaimingMoreThanAPacketHoldsIsRefused) {
    // bytesOfData 513 (01 02).
    Reader r = ReaderOf(Hex("28 00 00 01 02 00 02 00 00 00 00 00 00 00 00"));
    PipePktBufr p;
    EXPECT_EQ(p.Serialize(*r), 1);
    EXPECT_EQ(p.GetDataBufrSize(), 0);
}

// Packets reuse the memory of dropped ones: whatever an earlier packet held
// there never shows through a later one, whichever way its data is reached.
TEST(PipePktBufr, MemoryOfADroppedPacketShowsNothingOfIt) {
    const std::string secret(512, 'Z');
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        {
            BasePktBufrPtr old(new PipePktBufr());
            old->PutBytes(secret.data(), 512);
        }
        BasePktBufrPtr reused(new PipePktBufr());
        auto* p = static_cast<PipePktBufr*>(reused.GetPtr());
        char out[512];
        std::memset(out, 'x', sizeof out);
        if (way == 0) {
            // A size claimed from outside (its object form, say).
            p->SetBytesOfData(512);
            ASSERT_EQ(p->GetBytes(out, 512), 512);
        } else if (way == 1) {
            p->SetBytesOfData(512);
            ASSERT_EQ(p->GetSendSize(), 520);
            std::memcpy(out, p->GetSendRecvAddr() + 8, 512);
        } else {
            // Writing behind a position moved forward leaves no gap of old bytes.
            p->SetOffset(100);
            ASSERT_EQ(p->PutBytes("ab", 2), 2);
            p->SetOffset(0);
            ASSERT_EQ(p->GetBytes(out, 102), 102);
            EXPECT_EQ(std::string(out + 100, 2), "ab");
            std::memset(out + 100, 0, 2);
            std::memset(out + 102, 0, sizeof out - 102);
        }
        EXPECT_EQ(std::string(out, 512), std::string(512, '\0'));
    }
}

TEST(PipePktBufr, DroppedPacketsAreReusedNotFreed) {
    std::vector<BasePktBufrPtr> made;
    for (int i = 0; i < 10; ++i) made.emplace_back(new PipePktBufr());
    const int kept = BlockPool::KeptBlocks(sizeof(PipePktBufr));
    made.clear();
    EXPECT_EQ(BlockPool::KeptBlocks(sizeof(PipePktBufr)), kept + 10);
    for (int i = 0; i < 10; ++i) made.emplace_back(new PipePktBufr());
    EXPECT_EQ(BlockPool::KeptBlocks(sizeof(PipePktBufr)), kept) << "the ten new packets took the ten kept blocks";
}

TEST(PipePktBufr, OnlyAnUnsharedPipePacketIsRewoundForTheNextRead) {
    int rc = 0;
    Bytes wire = {20, 0, 5, 0, 1, 0, 1, 0};
    for (int i = 0; i < 12; ++i) wire.push_back(static_cast<unsigned char>(0xA0 + i));
    BasePktBufrPtr pkt = Received(wire, &rc);
    ASSERT_EQ(rc, 0);
    char byte = 0;
    pkt->GetBytes(&byte, 1);
    {
        BasePktBufrPtr other(pkt);
        EXPECT_FALSE(PipePktBufr::RewindIfUnshared(pkt)) << "another holder may still read it";
        EXPECT_EQ(pkt->GetOffset(), 1);
    }
    BasePktBufrPtr none;
    EXPECT_FALSE(PipePktBufr::RewindIfUnshared(none));
    ASSERT_TRUE(PipePktBufr::RewindIfUnshared(pkt));
    // What a new packet is: no header, no data, nothing of the old bytes.
    PipePktBufr fresh;
    EXPECT_EQ(pkt->GetOffset(), 0);
    EXPECT_EQ(pkt->GetDataBufrSize(), 0);
    EXPECT_EQ(pkt->GetPktCtrlId(), 0);
    EXPECT_EQ(pkt->GetPktId(), 0);
    EXPECT_EQ(pkt->GetTotalPkts(), 0);
    EXPECT_EQ(pkt->GetMaxDataBufrSize(), fresh.GetMaxDataBufrSize());
    EXPECT_EQ(0, std::memcmp(pkt->GetSendRecvAddr(), fresh.GetSendRecvAddr(), PipePktBufr::HeaderSize));
    static_cast<PipePktBufr*>(pkt.GetPtr())->SetBytesOfData(12);
    char data[12];
    pkt->GetBytes(data, 12);
    EXPECT_EQ(std::string(data, 12), std::string(12, '\0'));
}
