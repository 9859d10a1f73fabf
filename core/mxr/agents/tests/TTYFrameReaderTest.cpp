// Finding and checking serial packets in the line's byte stream: any cut of
// the stream gives the same packets, damage is answered or skipped, and the
// packet behind damage is found in the bytes already read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PipeHeartBeatMsg.h"
#include "PipeInitMsg.h"
#include "TTYFrameReader.h"
#include "TTYReplyMsg.h"
#include "TTYTestSupport.h"

namespace {

using Verdict = TTYFrameReader::Verdict;

struct Seen {
    Verdict verdict;
    unsigned short ctrlId;
    unsigned short pktId;
    std::string bytes;  // as the packet reads after the reader took it
    bool operator==(const Seen& o) const {
        return verdict == o.verdict && ctrlId == o.ctrlId && pktId == o.pktId && bytes == o.bytes;
    }
};

std::vector<Seen> Collect(const std::vector<TTYFrameReader::Frame>& frames) {
    std::vector<Seen> seen;
    for (const auto& f : frames)
        seen.push_back({f.verdict, f.pkt->GetPktCtrlId(), f.pkt->GetPktId(),
                        std::string(reinterpret_cast<const char*>(f.pkt->GetBlock()), 24 + f.pkt->GetBytesOfData())});
    return seen;
}

// Feeds the stream in pieces cut at the given places.
std::vector<Seen> FeedCut(const std::string& stream, const std::vector<std::size_t>& cuts) {
    TTYFrameReader r;
    std::vector<TTYFrameReader::Frame> out;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        r.Feed(stream.data() + at, static_cast<int>(cut - at), out);
        at = cut;
    }
    r.Feed(stream.data() + at, static_cast<int>(stream.size() - at), out);
    return Collect(out);
}

// Three recorded frames: a two-packet message needing answers, an answer
// (needing none) and a heartbeat.
struct Recorded : ::testing::Test {
    std::vector<TTYPktBufrPtr> pkts;
    std::string stream;
    void SetUp() override {
        BaseMsgPtr init(new PipeInitMsg(bStr(std::string(600, 'h').c_str()), 11, 12, 520));
        for (auto& p : ttytest::PacketsOf(init, 5)) pkts.push_back(p);
        for (auto& p : ttytest::PacketsOf(BaseMsgPtr(new TTYReplyMsg(BaseAddrPtr(), TTYReplyMsg::ACK, 9, 1)), 6, true))
            pkts.push_back(p);
        for (auto& p : ttytest::PacketsOf(BaseMsgPtr(new PipeHeartBeatMsg()), 7)) pkts.push_back(p);
        ASSERT_EQ(pkts.size(), 4u);
        for (auto& p : pkts) stream += ttytest::BytesOf(p);
    }
    std::vector<Seen> Expected() const {
        std::vector<Seen> want;
        for (const auto& p : pkts)
            want.push_back({p->GetAckNotRequired() ? Verdict::Deliver : Verdict::AckDeliver, p->GetPktCtrlId(),
                            p->GetPktId(), ttytest::BytesOf(p)});
        return want;
    }
};

}  // namespace

TEST_F(Recorded, EveryCutOfTheStreamGivesTheSamePackets) {
    const std::vector<Seen> want = Expected();
    EXPECT_EQ(FeedCut(stream, {}), want);
    // One cut anywhere, also inside a marker or a header.
    for (std::size_t cut = 1; cut < stream.size(); ++cut) ASSERT_EQ(FeedCut(stream, {cut}), want) << "cut at " << cut;
    // One byte at a time.
    std::vector<std::size_t> every;
    for (std::size_t i = 1; i < stream.size(); ++i) every.push_back(i);
    EXPECT_EQ(FeedCut(stream, every), want);
}

TEST_F(Recorded, TwoPacketsInOneReadAreBothTakenAtOnce) {
    TTYFrameReader r;
    std::vector<TTYFrameReader::Frame> out;
    const std::string two = ttytest::BytesOf(pkts[2]) + ttytest::BytesOf(pkts[3]);
    r.Feed(two.data(), static_cast<int>(two.size()), out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(r.GetRcvdSize(), 0);
    // A whole packet and the start of the next: the first at once, the rest kept.
    out.clear();
    const std::string oneAndAHalf = ttytest::BytesOf(pkts[2]) + ttytest::BytesOf(pkts[3]).substr(0, 10);
    r.Feed(oneAndAHalf.data(), static_cast<int>(oneAndAHalf.size()), out);
    EXPECT_EQ(out.size(), 1u);
    EXPECT_EQ(r.GetRcvdSize(), 10);
}

TEST_F(Recorded, DamageIsAnsweredOrSkippedAndTheNextPacketIsFound) {
    const std::string beat = ttytest::BytesOf(pkts[3]);
    const Seen beatSeen{Verdict::AckDeliver, pkts[3]->GetPktCtrlId(), 1, beat};
    auto flip = [](std::string s, std::size_t at) {
        s[at] = static_cast<char>(s[at] ^ 0x04);
        return s;
    };
    auto withLength = [](std::string s, unsigned len) {
        s[4] = static_cast<char>(len & 0xFF);
        s[5] = static_cast<char>(len >> 8);
        return s;
    };
    // A packet needing no answer with a length no packet can have.
    const std::string ackPkt = ttytest::BytesOf(pkts[2]);
    // An answer as this agent writes it: with sums.
    TTYPktBufrPtr summed(new TTYPktBufr());
    std::memcpy(summed->GetSendRecvAddr(), pkts[2]->GetBlock(), pkts[2]->GetTotalBytesSent());
    summed->SetRecvdSize(pkts[2]->GetTotalBytesSent());
    summed->StampCheckSums();
    const std::string summedAnswer = ttytest::BytesOf(summed);
    ASSERT_EQ(FeedCut(summedAnswer, {}).size(), 1u);
    EXPECT_EQ(FeedCut(summedAnswer, {})[0].verdict, Verdict::Deliver);
    struct Case {
        const char* what;
        std::string damaged;
        std::vector<Verdict> before;  // verdicts given for the damaged part
    };
    const std::vector<Case> cases = {
        {"garbage before a frame", "xx!@#!@noise", {}},
        {"a marker cut short", "!@#", {}},
        {"bad header checksum", flip(ttytest::BytesOf(pkts[0]), 9), {Verdict::Nack}},
        {"bad packet checksum", flip(ttytest::BytesOf(pkts[0]), 300), {Verdict::Nack}},
        {"length 23 without answer", withLength(ackPkt, 23), {}},
        {"length 537 without answer", withLength(ackPkt, 537), {}},
        // A damaged flag: checked all the same, and dropped as an answer would be.
        {"answer flag set on a checked packet", flip(ttytest::BytesOf(pkts[3]), 12), {}},
        {"damaged answer with sums, header", flip(summedAnswer, 8), {}},
        {"damaged answer with sums, data", flip(summedAnswer, 30), {}},
    };
    for (const Case& c : cases) {
        // The good packet follows in the same read, and in a read of its own.
        for (bool sameRead : {true, false}) {
            std::vector<std::size_t> cuts;
            if (!sameRead) cuts.push_back(c.damaged.size());
            const std::vector<Seen> got = FeedCut(c.damaged + beat, cuts);
            ASSERT_EQ(got.size(), c.before.size() + 1) << c.what;
            for (std::size_t i = 0; i < c.before.size(); ++i) EXPECT_EQ(got[i].verdict, c.before[i]) << c.what;
            EXPECT_EQ(got.back(), beatSeen) << c.what << (sameRead ? " (same read)" : " (next read)");
        }
    }
}

TEST_F(Recorded, ARefusedPacketIsNamedAsItsHeaderReads) {
    std::string bad = ttytest::BytesOf(pkts[1]);
    bad[40] = static_cast<char>(bad[40] ^ 0x01);
    const std::vector<Seen> got = FeedCut(bad, {});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].verdict, Verdict::Nack);
    EXPECT_EQ(got[0].ctrlId, 5);
    EXPECT_EQ(got[0].pktId, 2);
}
