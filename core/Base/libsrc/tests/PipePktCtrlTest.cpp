// The packet controller: splitting a stream into packets, assembling packets
// that arrive in any order, refusing packets that do not fit, moving in the
// stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "CoreTestClasses.h"
#include "IoTestTrees.h"
#include "LocalPktCtrl.h"
#include "PipePktBufr.h"
#include "WireTestClasses.h"

namespace {

Bytes Pattern(int n) {
    Bytes b(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) b[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 7 + 3);
    return b;
}

// A stream of n bytes written with message number id, as packets on the pipe.
std::vector<Bytes> Sent(const Bytes& stream, unsigned short id) {
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    c.SetPktCtrlId(id);
    Bytes copy(stream);
    c.DoBytes(reinterpret_cast<char*>(copy.data()), static_cast<int>(copy.size()));
    return PacketsOf(c);
}

// The receiver's side: packets into one controller, started by the first.
struct Assembly {
    PipePktCtrlPtr ctrl;
    int Put(const Bytes& wire) {
        int rc = 0;
        BasePktBufrPtr p = Received(wire, &rc);
        if (rc != 0) return rc;
        if (ctrl.GetPtr() == nullptr)
            ctrl = new PipePktCtrl(p);
        else
            ctrl->PutPktBufr(p);
        return 0;
    }
};

Bytes PacketHeader(unsigned total, unsigned id, unsigned pkt, unsigned count) {
    return {static_cast<unsigned char>(total), static_cast<unsigned char>(total >> 8),
            static_cast<unsigned char>(id),    static_cast<unsigned char>(id >> 8),
            static_cast<unsigned char>(pkt),   static_cast<unsigned char>(pkt >> 8),
            static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8)};
}

// n packets of message 1 arriving in order into a, packet i with sizeOf(i)
// random data bytes; the sizes in *sizes, the stream they make in *stream.
template <class SizeOf>
void Arrive(Assembly& a, std::mt19937& rng, int n, SizeOf sizeOf, std::vector<int>* sizes, Bytes* stream) {
    for (int i = 0; i < n; ++i) {
        const int size = sizeOf(i);
        sizes->push_back(size);
        Bytes wire = PacketHeader(8 + size, 1, i + 1, n);
        for (int b = 0; b < size; ++b) wire.push_back(static_cast<unsigned char>(rng()));
        stream->insert(stream->end(), wire.begin() + 8, wire.end());
        ASSERT_EQ(a.Put(wire), 0);
    }
}

// The packet a seek to pos lands in: a position on a boundary belongs to the
// earlier packet, beyond the end is the last.
int PacketOf(const std::vector<int>& sizes, int pos) {
    const int n = static_cast<int>(sizes.size());
    int i = 0;
    while (i < n - 1 && pos > sizes[static_cast<std::size_t>(i)]) pos -= sizes[static_cast<std::size_t>(i++)];
    return i;
}

}  // namespace

TEST(PipePktCtrl, NewControllerPacksWithPacketsOf520Bytes) {
    PipePktCtrl c;
    EXPECT_EQ(c.GetDirection(), BasePktCtrl::INTOPKT);
    EXPECT_EQ(c.GetMaxPktSize(), 520);
    EXPECT_EQ(c.GetBufrAry().GetItemCnt(), 0);
    EXPECT_EQ(c.GetFirstPktBufr().GetPtr(), nullptr);
    EXPECT_EQ(c.AllThere(), 0);
}

TEST(PipePktCtrl, SevenHundredByteMessageIsTwoPacketsAsOnTheWire) {
    const Bytes stream = Pattern(700);
    std::vector<Bytes> packets = Sent(stream, 5);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(Bytes(packets[0].begin(), packets[0].begin() + 8), Hex("08 02 05 00 01 00 02 00"));
    EXPECT_EQ(Bytes(packets[1].begin(), packets[1].begin() + 8), Hex("C4 00 05 00 02 00 02 00"));
    EXPECT_EQ(packets[0].size(), 520u);
    EXPECT_EQ(packets[1].size(), 196u);
    EXPECT_TRUE(std::equal(stream.begin(), stream.begin() + 512, packets[0].begin() + 8));
    EXPECT_TRUE(std::equal(stream.begin() + 512, stream.end(), packets[1].begin() + 8));
}

TEST(PipePktCtrl, PacketCountsAtTheBoundaries) {
    const int cases[][3] = {{1, 1, 9}, {511, 1, 519}, {512, 1, 520}, {513, 2, 9}, {1024, 2, 520}, {1025, 3, 9}};
    for (const auto& k : cases) {
        std::vector<Bytes> packets = Sent(Pattern(k[0]), 1);
        ASSERT_EQ(packets.size(), static_cast<std::size_t>(k[1])) << k[0];
        EXPECT_EQ(packets.back().size(), static_cast<std::size_t>(k[2])) << k[0];
    }
}

TEST(PipePktCtrl, PacketsArrivingOutOfOrderAndTwiceAssembleTheMessage) {
    const Bytes stream = Pattern(1300);  // three packets
    std::vector<Bytes> packets = Sent(stream, 77);
    ASSERT_EQ(packets.size(), 3u);

    Assembly a;
    ASSERT_EQ(a.Put(packets[2]), 0);
    EXPECT_EQ(a.ctrl->GetPktCtrlId(), 77);
    EXPECT_EQ(a.ctrl->GetDirection(), BasePktCtrl::OUTOFPKT);
    ASSERT_EQ(a.Put(packets[0]), 0);
    EXPECT_EQ(a.ctrl->AllThere(), 0);
    ASSERT_EQ(a.Put(packets[2]), 0);  // a duplicate does not complete it early
    EXPECT_EQ(a.ctrl->AllThere(), 0);
    ASSERT_EQ(a.Put(packets[1]), 0);
    EXPECT_EQ(a.ctrl->AllThere(), 1);
    EXPECT_EQ(a.Put(packets[0]), 0);  // and one after completion changes nothing
    EXPECT_EQ(a.ctrl->GetBadFlg(), 0);
    EXPECT_EQ(StreamOf(*a.ctrl.GetPtr()), stream);
}

TEST(PipePktCtrl, CompletionIsSeenExactlyAtTheLastArrivalAndAfterChangesThroughTheArray) {
    const Bytes stream = Pattern(512 * 2000 - 5);  // 2000 packets
    std::vector<Bytes> packets = Sent(stream, 9);
    ASSERT_EQ(packets.size(), 2000u);
    std::vector<std::size_t> order(packets.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    Assembly a;
    for (std::size_t k = 0; k < order.size(); ++k) {
        ASSERT_EQ(a.Put(packets[order[k]]), 0);
        if (k % 97 == 0) {
            ASSERT_EQ(a.Put(packets[order[k / 2]]), 0);  // duplicates now and then
        }
        ASSERT_EQ(a.ctrl->AllThere(), k + 1 == order.size() ? 1 : 0) << k;
    }
    // A packet taken out through the array is missed again, and put back.
    BasePktBufrPtr taken = a.ctrl->GetBufrAry()[500];
    a.ctrl->GetBufrAry()[500] = BasePktBufrPtr();
    EXPECT_EQ(a.ctrl->AllThere(), 0);
    a.ctrl->PutPktBufr(taken);
    EXPECT_EQ(a.ctrl->AllThere(), 1);
    EXPECT_EQ(StreamOf(*a.ctrl.GetPtr()), stream);
}

TEST(PipePktCtrl, AnObjectTravelsAsPacketsAndIsReadFromThem) {
    WireSample sample;
    sample.text = bStr(std::string(3000, 'k').c_str());
    sample.child = new Probe(12);
    sample.i = -9;
    PipePktCtrl w;
    w.SetPktCtrlId(3);
    ASSERT_EQ(sample.Serialize(w), 0);
    std::vector<Bytes> packets = PacketsOf(w);
    ASSERT_GT(packets.size(), 5u);
    std::reverse(packets.begin(), packets.end());

    Assembly a;
    for (const Bytes& p : packets) ASSERT_EQ(a.Put(p), 0);
    ASSERT_EQ(a.ctrl->AllThere(), 1);
    a.ctrl->SetOffset(0);
    WireSample back;
    ASSERT_EQ(back.Serialize(*a.ctrl.GetPtr()), 0);
    EXPECT_EQ(back.text.StrLen(), 3000);
    EXPECT_EQ(back.i, -9);
    EXPECT_EQ(ProbePtr(back.child)->label, 12);
    EXPECT_EQ(a.ctrl->GetRemainingByteCnt(), 0);
}

TEST(PipePktCtrl, PacketsThatDoNotFitAreRefusedWithoutHarm) {
    const Bytes data = Pattern(10);
    auto packet = [&](unsigned pkt, unsigned count) {
        Bytes b = PacketHeader(18, 9, pkt, count);
        b.resize(b.size() + data.size());
        std::copy(data.begin(), data.end(), b.end() - static_cast<std::ptrdiff_t>(data.size()));
        return b;
    };
    struct Case {
        const char* name;
        unsigned firstPkt, firstCount;  // the packet that starts the message
        unsigned pkt, count;            // a later one
        int badFlg;
        int complete;
    };
    const Case cases[] = {
        {"count 0 in the first", 1, 0, 1, 0, 1, 0},
        {"count above 10000 in the first", 1, 10001, 1, 10001, 1, 0},
        {"count of 10000 is accepted", 1, 10000, 2, 10000, 0, 0},
        {"packet number 0 in the first", 0, 2, 2, 2, 1, 0},
        {"packet number beyond the count in the first", 3, 2, 1, 2, 1, 0},
        {"packet number 0 later", 1, 2, 0, 2, 1, 0},
        {"packet number beyond the count later", 1, 2, 3, 2, 1, 0},
        {"count disagreeing later", 1, 2, 2, 3, 1, 0},
        {"all fits", 1, 2, 2, 2, 0, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Assembly a;
        ASSERT_EQ(a.Put(packet(k.firstPkt, k.firstCount)), 0);
        ASSERT_EQ(a.Put(packet(k.pkt, k.count)), 0);
        EXPECT_EQ(a.ctrl->GetBadFlg(), k.badFlg);
        EXPECT_EQ(a.ctrl->AllThere(), k.complete);
        // Reading what there is never goes beyond it.
        a.ctrl->SetOffset(0);
        char out[64];
        const int rc = a.ctrl->DoBytes(out, 64);
        EXPECT_GT(rc, 0);
    }
}

TEST(PipePktCtrl, ShortPacketsAreRefusedBeforeTheyReachAController) {
    for (int n = 1; n < 8; ++n) {
        int rc = 0;
        Received(Bytes(static_cast<std::size_t>(n), 1), &rc);
        EXPECT_EQ(rc, -1) << n;
    }
    int rc = 0;
    Bytes announcedMore = PacketHeader(100, 1, 1, 1);
    announcedMore.resize(20);
    Received(announcedMore, &rc);
    EXPECT_EQ(rc, -1);
}

TEST(PipePktCtrl, PositionBeyondTheEndIsTheEnd) {
    Reader r = ReaderOf(Pattern(1000));
    r->SetOffset(5000);
    EXPECT_EQ(r->GetOffset(), 1000);
    EXPECT_EQ(r->GetRemainingByteCnt(), 0);
    r->SetOffset(997);
    char out[4];
    EXPECT_EQ(r->DoBytes(out, 4), 1);  // 3 remain
    EXPECT_EQ(r->GetOffset(), 1000);
    r->SetOffset(512);  // on the boundary: the end of the first packet
    EXPECT_EQ(r->GetBufrCursor(), 0);
    EXPECT_EQ(r->GetRemainingByteCnt(), 488);
    EXPECT_EQ(r->DoBytes(out, 1), 0);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), Pattern(1000)[512]);
    EXPECT_EQ(r->GetBufrCursor(), 1);
}

TEST(PipePktCtrl, NoDirectionMovesNothing) {
    Reader r = ReaderOf(Pattern(10));
    r->SetDirection(BasePktCtrl::BADDIR);
    char out[4];
    EXPECT_EQ(r->DoBytes(out, 4), -1);
    EXPECT_EQ(r->GetOffset(), 0);
}

// SetOffset starts from where the controller is when it can; the result must
// be the walk from the first packet, whatever the sequence of moves, reads,
// writes and packet sizes.
TEST(PipePktCtrl, MovesAgreeWithAWalkFromTheFirstPacket) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 200; ++round) {
        // Packets of uneven sizes (as a peer may send them), some empty.
        const int n = 1 + static_cast<int>(rng() % 6);
        std::vector<int> sizes;
        Assembly a;
        Bytes stream;
        Arrive(a, rng, n, [&rng](int) { return static_cast<int>(rng() % 5 == 0 ? 0 : rng() % 513); }, &sizes, &stream);
        ASSERT_EQ(a.ctrl->AllThere(), 1);
        const int total = static_cast<int>(stream.size());
        for (int step = 0; step < 30; ++step) {
            const int pos = static_cast<int>(rng() % static_cast<unsigned>(total + 20));
            a.ctrl->SetOffset(pos);
            // The reference walk.
            int i = 0;
            int left = pos;
            while (i < n - 1 && left > sizes[static_cast<std::size_t>(i)]) left -= sizes[static_cast<std::size_t>(i++)];
            if (left > sizes[static_cast<std::size_t>(i)]) left = sizes[static_cast<std::size_t>(i)];
            ASSERT_EQ(a.ctrl->GetBufrCursor(), i) << "round " << round << " pos " << pos;
            ASSERT_EQ(a.ctrl->GetOffset(), std::min(pos, total));
            ASSERT_EQ(a.ctrl->GetRemainingByteCnt(), total - std::min(pos, total));
            // A read from there gives the stream's bytes.
            if (pos < total) {
                const int want = 1 + static_cast<int>(rng() % 700);
                Bytes out(static_cast<std::size_t>(want));
                const int rc = a.ctrl->DoBytes(reinterpret_cast<char*>(out.data()), want);
                const int got = want - rc;
                ASSERT_EQ(got, std::min(want, total - pos));
                ASSERT_TRUE(std::equal(out.begin(), out.begin() + got, stream.begin() + pos));
                ASSERT_EQ(a.ctrl->GetOffset(), pos + got);
            }
        }
    }
}

TEST(PipePktCtrl, PatchingBackwardsWhileWritingKeepsTheStream) {
    // The pointer form's pattern: placeholder, body, back to patch, on again.
    PipePktCtrl w;
    Bytes expect;
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        const int start = w.GetOffset();
        int word = 0;
        _serialize(w, word);
        const int len = static_cast<int>(rng() % 900);
        Bytes body(static_cast<std::size_t>(len), static_cast<unsigned char>(i));
        if (len > 0) w.DoBytes(reinterpret_cast<char*>(body.data()), len);
        const int end = w.GetOffset();
        w.SetOffset(start);
        int patch = len;
        _serialize(w, patch);
        w.SetOffset(end);
        const unsigned char le[4] = {static_cast<unsigned char>(len), static_cast<unsigned char>(len >> 8), 0, 0};
        expect.insert(expect.end(), le, le + 4);
        expect.insert(expect.end(), body.begin(), body.end());
    }
    EXPECT_EQ(StreamOf(w), expect);
}

// The text form of the packet classes: their keys, in order, with the
// enumerations by name; a byte store shows no bytes.
TEST(PipePktCtrl, TextFormsShowTheFieldsByKey) {
    PipePktCtrl c;
    c.SetPktCtrlId(7);
    EXPECT_EQ(Text(c.GetIoItemFrom()),
              "(PipePktCtrl\n\t(direction INTOPKT)\n\t(pktCtrlId 7)\n\t(offset 0)\n\t(badFlg 0)\n\t(bufrCursor 0)\n\t"
              "(maxPktSize 520))");
    LocalPktCtrl local;
    EXPECT_EQ(Text(local.GetIoItemFrom()), "(LocalPktCtrl)");
    PipePktBufr p;
    EXPECT_EQ(Text(p.GetIoItemFrom()),
              "(PipePktBufr\n\t(offset 0)\n\t(bytesOfData 0)\n\t(maxDataBufrSize 512)\n\t(totalBytesSent 0)\n\t"
              "(pktCtrlId 0)\n\t(pktId 0)\n\t(totalPkts 0))");

    // Read back from a tree: the direction by name.
    PipePktCtrl back;
    back.SetDirection(BasePktCtrl::BADDIR);
    EXPECT_EQ(back.SetFromIoItem(c.GetIoItemFrom()), 0);
    EXPECT_EQ(back.GetDirection(), BasePktCtrl::INTOPKT);
    EXPECT_EQ(back.GetPktCtrlId(), 7);
    EXPECT_STREQ(BasePktCtrl::GetEnDirectionCvtPtr()->GetStr(2).StrVal(), "OUTOFPKT");
    EXPECT_STREQ(PipePktBufr::GetEnSizeCvtPtr()->GetStr(512).StrVal(), "DATASIZE");
}

// The encoders move bytes through the window the controller keeps open on the
// collecting buffer or on the packet being read; seeks inside it move only
// the window. Any mix of those moves with the controller's own calls must give
// what the slow path gives: the reference here is a plain byte vector and the
// walk from the first packet.
TEST(PipePktCtrl, WindowReadsAndSeeksAgreeWithTheStream) {
    std::mt19937 rng(99);
    for (int round = 0; round < 100; ++round) {
        const int n = 1 + static_cast<int>(rng() % 4);
        std::vector<int> sizes;
        Assembly a;
        Bytes stream;
        // Full packets but the last, as a sender cuts them.
        Arrive(a, rng, n, [&rng, n](int i) { return i + 1 < n ? 512 : 1 + static_cast<int>(rng() % 512); }, &sizes,
               &stream);
        PipePktCtrl& c = *a.ctrl.GetPtr();
        const int total = static_cast<int>(stream.size());
        c.SetOffset(0);
        int pos = 0;
        for (int step = 0; step < 200; ++step) {
            const unsigned op = rng() % 10;
            if (op < 6) {  // small reads, as the field encoders make them
                const int want = 1 + static_cast<int>(rng() % 8);
                unsigned char out[8];
                const int rc = c.MoveBytes(reinterpret_cast<char*>(out), want);
                const int got = want - rc;
                ASSERT_EQ(got, std::min(want, total - pos)) << "round " << round << " step " << step;
                ASSERT_TRUE(std::equal(out, out + got, stream.begin() + pos))
                    << "round " << round << " step " << step << " pos " << pos << " want " << want << " n " << n;
                pos += got;
            } else if (op < 9) {  // near seeks, across packet boundaries too
                pos = std::clamp(pos + static_cast<int>(rng() % 41) - 20, 0, total);
                c.SetOffset(pos);
            } else {
                ASSERT_EQ(c.GetRemainingByteCnt(), total - pos);
            }
            ASSERT_EQ(c.GetOffset(), pos);
            if (op >= 6 && op < 9) {
                ASSERT_EQ(c.GetBufrCursor(), PacketOf(sizes, pos)) << "round " << round << " pos " << pos;
            }
        }
    }
}

TEST(PipePktCtrl, WindowWritesSeeksAndReadsBackAgreeWithTheStream) {
    std::mt19937 rng(123);
    for (int round = 0; round < 100; ++round) {
        PipePktCtrl w;
        Bytes expect;
        int pos = 0;
        for (int step = 0; step < 300; ++step) {
            const unsigned op = rng() % 10;
            if (op < 7) {
                const int len = 1 + static_cast<int>(rng() % (op == 0 ? 1200 : 9));
                Bytes bytes(static_cast<std::size_t>(len));
                for (auto& b : bytes) b = static_cast<unsigned char>(rng());
                ASSERT_EQ(w.MoveBytes(reinterpret_cast<char*>(bytes.data()), len), 0);
                if (expect.size() < static_cast<std::size_t>(pos + len)) expect.resize(static_cast<std::size_t>(pos + len));
                std::copy(bytes.begin(), bytes.end(), expect.begin() + pos);
                pos += len;
            } else if (op < 9) {  // back to patch, or on (beyond the end is the end)
                const int to = static_cast<int>(rng() % (expect.size() + 30));
                w.SetOffset(to);
                pos = std::min(to, static_cast<int>(expect.size()));
            } else {
                ASSERT_EQ(w.GetRemainingByteCnt(), static_cast<int>(expect.size()) - pos);
            }
            ASSERT_EQ(w.GetOffset(), pos);
        }
        // Read back through the same controller, then as packets on the wire.
        w.SetDirection(BasePktCtrl::OUTOFPKT);
        w.SetOffset(0);
        Bytes back(expect.size());
        if (!back.empty()) {
            ASSERT_EQ(w.MoveBytes(reinterpret_cast<char*>(back.data()), static_cast<int>(back.size())), 0);
        }
        ASSERT_EQ(back, expect) << "round " << round;
        w.SetDirection(BasePktCtrl::INTOPKT);
        ASSERT_EQ(StreamOf(w), expect) << "round " << round;
    }
}

// A plain pipe controller cuts a collected message straight into packets and
// a blocking writer may send it as slices of the collected bytes; a byte
// store (another controller class) goes the general way, packet by packet.
// Both must leave the same packets, places and wire bytes.
namespace {

struct Sink {
    std::vector<Bytes> packets;
    int failAt = -1;  // the packet whose write fails (from 0), -1 none
};

int Collect(void* context, const char* bytes, int count) {
    auto* sink = static_cast<Sink*>(context);
    if (static_cast<int>(sink->packets.size()) == sink->failAt) return -1;
    sink->packets.emplace_back(bytes, bytes + count);
    return 0;
}

// What the controller shows of its packets after a cut.
struct Cut {
    int cursor, offset, remaining;
    std::vector<int> sizes, places;
    bool operator==(const Cut&) const = default;
};

Cut CutOf(PipePktCtrl& c) {
    Cut cut{c.GetBufrCursor(), c.GetOffset(), c.GetRemainingByteCnt(), {}, {}};
    BasePktBufrAry& ary = c.GetBufrAry();
    for (int i = 0; i < ary.GetItemCnt(); ++i) {
        cut.sizes.push_back(ary[i]->GetDataBufrSize());
        cut.places.push_back(ary[i]->GetOffset());
    }
    return cut;
}

}  // namespace

TEST(PipePktCtrl, CuttingAndSlicingGiveWhatThePacketByPacketWayGives) {
    for (const int maxPkt : {520, 100, 40}) {
        for (const int textLen : {0, 1, 400, 459, 460, 1000, 5000}) {
            WireSample obj;
            obj.text = bStr(std::string(static_cast<std::size_t>(textLen), 'q').c_str());
            const auto label = ::testing::Message() << "max " << maxPkt << " text " << textLen;
            PipePktCtrl direct;
            LocalPktCtrl general;
            direct.SetMaxPktSize(maxPkt);
            general.SetMaxPktSize(maxPkt);
            ASSERT_EQ(direct.Pack(obj, 7), PipePktCtrl::PACKED) << label;
            ASSERT_EQ(general.Pack(obj, 7), PipePktCtrl::PACKED) << label;
            const std::vector<Bytes> wire = PacketsOf(general);
            EXPECT_EQ(PacketsOf(direct), wire) << label;

            // A fresh controller (520) writes its packets from the collected
            // bytes; one whose size was set goes through its packets.
            PipePktCtrl sliced;
            if (maxPkt != 520) sliced.SetMaxPktSize(maxPkt);
            Sink sink;
            int writeRc = 1;
            ASSERT_EQ(sliced.PackAndWrite(obj, 7, Collect, &sink, &writeRc), PipePktCtrl::PACKED) << label;
            EXPECT_EQ(writeRc, 0);
            EXPECT_EQ(sink.packets, wire) << label;
            // Writing left the message whole: its packets are still those written.
            EXPECT_EQ(PacketsOf(sliced), wire) << label;
        }
    }
}

TEST(PipePktCtrl, ACutLeavesThePositionWhereTheWriterLeftIt) {
    // A stream collected, then a seek (to a packet boundary, inside a
    // packet, the ends), then the packets asked for.
    const int total = 1300;
    for (const int pos : {0, 1, 511, 512, 513, 1024, 1100, total}) {
        PipePktCtrl direct;
        LocalPktCtrl general;
        for (PipePktCtrl* c : {static_cast<PipePktCtrl*>(&direct), static_cast<PipePktCtrl*>(&general)}) {
            Bytes stream = Pattern(total);
            c->DoBytes(reinterpret_cast<char*>(stream.data()), total);
            c->SetOffset(pos);
        }
        const Cut expect = CutOf(general);
        EXPECT_EQ(CutOf(direct), expect) << "position " << pos;
        EXPECT_EQ(expect.offset, pos);
    }
}

TEST(PipePktCtrl, SlicedWritingStopsAtTheFirstFailureAndRefusesWhatCouldNotBeAssembled) {
    WireSample obj;
    obj.text = bStr(std::string(3000, 'w').c_str());
    PipePktCtrl failing;
    Sink sink;
    sink.failAt = 2;
    int writeRc = 0;
    ASSERT_EQ(failing.PackAndWrite(obj, 3, Collect, &sink, &writeRc), PipePktCtrl::PACKED);
    EXPECT_EQ(writeRc, -1);
    EXPECT_EQ(sink.packets.size(), 2u);

    // More packets than a receiver accepts: nothing is written.
    WireSample big;
    const int cap = 32;  // the data of a 40-byte packet
    big.text = bStr(std::string(static_cast<std::size_t>(PipePktCtrl::MaxPktCnt * cap), 'b').c_str());
    PipePktCtrl tooLarge;
    tooLarge.SetMaxPktSize(40);
    Sink none;
    EXPECT_EQ(tooLarge.PackAndWrite(big, 4, Collect, &none, &writeRc), PipePktCtrl::PACK_TOO_LARGE);
    EXPECT_TRUE(none.packets.empty());
    PipePktCtrl packed;
    packed.SetMaxPktSize(40);
    EXPECT_EQ(packed.Pack(big, 4), PipePktCtrl::PACK_TOO_LARGE);
}

TEST(PipePktCtrl, WritersOnSeveralThreadsEachReuseTheirOwnBuffers) {
    // Each thread writes messages of sizes up and down (its spare buffers
    // taken, grown, given back and taken again) and must send what the
    // packet way sends; a thread that ends frees its spares (a leak check
    // sees any left behind).
    auto writeAll = [](int seed, bool* same) {
        *same = true;
        for (int round = 0; round < 30; ++round) {
            const int textLen = (round * 977 + seed * 131) % 6000;
            WireSample obj;
            obj.text = bStr(std::string(static_cast<std::size_t>(textLen), static_cast<char>('a' + seed)).c_str());
            LocalPktCtrl general;
            if (general.Pack(obj, 5) != PipePktCtrl::PACKED) *same = false;
            PipePktCtrl sliced;
            Sink sink;
            int writeRc = 1;
            if (sliced.PackAndWrite(obj, 5, Collect, &sink, &writeRc) != PipePktCtrl::PACKED || writeRc != 0 ||
                sink.packets != PacketsOf(general))
                *same = false;
        }
    };
    bool same[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(writeAll, t, &same[t]);
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < 4; ++t) EXPECT_TRUE(same[t]) << "thread " << t;
}

// A receiver that gathers the packets of a message (as a pipe delivers them)
// against one that cannot (each packet's capacity changed, so it keeps the
// packets): every look at the stream must agree.
namespace {

struct TwoReceivers {
    Assembly gathering, keeping;
    void Put(const Bytes& wire) {
        int rc = 0;
        BasePktBufrPtr kept = Received(wire, &rc);
        ASSERT_EQ(rc, 0);
        kept->SetMaxPktSize(519);
        if (keeping.ctrl.GetPtr() == nullptr)
            keeping.ctrl = new PipePktCtrl(kept);
        else
            keeping.ctrl->PutPktBufr(kept);
        ASSERT_EQ(gathering.Put(wire), 0);
    }
};

// What a controller's packets show: per slot, -1 for none, else its id,
// count, size and bytes.
std::vector<Bytes> SlotsOf(PipePktCtrl& c) {
    std::vector<Bytes> slots;
    BasePktBufrAry& ary = c.GetBufrAry();
    for (int i = 0; i < ary.GetItemCnt(); ++i) {
        BasePktBufr* p = ary[i].GetPtr();
        if (p == nullptr) {
            slots.push_back({0xFF});
            continue;
        }
        const int size = p->GetDataBufrSize();
        Bytes slot = PacketHeader(static_cast<unsigned>(size), p->GetPktCtrlId(), p->GetPktId(),
                                  static_cast<unsigned>(p->GetTotalPkts()));
        Bytes data(static_cast<std::size_t>(size));
        p->SetOffset(0);
        if (size > 0) p->GetBytes(reinterpret_cast<char*>(data.data()), static_cast<unsigned short>(size));
        slot.insert(slot.end(), data.begin(), data.end());
        slots.push_back(slot);
    }
    return slots;
}

}  // namespace

TEST(PipePktCtrl, GatheredPacketsReadAsThePacketByPacketWay) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 400; ++round) {
        const auto label = ::testing::Message() << "round " << round;
        const int n = 2 + static_cast<int>(rng() % 4);
        // Mostly what a sender cuts (full but the last), sometimes what only
        // a foreign peer sends: a short packet early, packets out of order or
        // twice, a message cut short.
        const unsigned twist = rng() % 6;
        std::vector<int> order;
        for (int i = 0; i < n; ++i) order.push_back(i);
        if (twist == 1) std::swap(order[static_cast<std::size_t>(rng() % n)], order.back());
        if (twist == 2) order.insert(order.begin() + 1 + rng() % (n - 1), order[rng() % (n - 1)]);
        if (twist == 3) order.resize(1 + rng() % (n - 1));
        const int shortOne = twist == 4 ? static_cast<int>(rng() % (n - 1)) : -1;
        std::vector<Bytes> wires;
        for (int i = 0; i < n; ++i) {
            const int size = i == shortOne ? static_cast<int>(rng() % 512)
                             : i + 1 < n  ? 512
                                          : static_cast<int>(rng() % 513);
            Bytes wire = PacketHeader(8 + size, 3, i + 1, n);
            for (int b = 0; b < size; ++b) wire.push_back(static_cast<unsigned char>(rng()));
            wires.push_back(wire);
        }
        TwoReceivers r;
        for (int i : order) {
            r.Put(wires[static_cast<std::size_t>(i)]);
            ASSERT_EQ(r.gathering.ctrl->AllThere(), r.keeping.ctrl->AllThere()) << label;
            ASSERT_EQ(r.gathering.ctrl->GetArrivedCnt(), r.keeping.ctrl->GetArrivedCnt()) << label;
            ASSERT_EQ(r.gathering.ctrl->GetPktCnt(), r.keeping.ctrl->GetPktCnt()) << label;
            ASSERT_EQ(r.gathering.ctrl->GetBadFlg(), r.keeping.ctrl->GetBadFlg()) << label;
        }
        PipePktCtrl& g = *r.gathering.ctrl.GetPtr();
        PipePktCtrl& k = *r.keeping.ctrl.GetPtr();
        g.SetOffset(0);
        k.SetOffset(0);
        for (int step = 0; step < 40; ++step) {
            const unsigned op = rng() % 10;
            if (op < 4) {  // a field's few bytes
                const int want = 1 + static_cast<int>(rng() % 8);
                unsigned char a[8] = {}, b[8] = {};
                ASSERT_EQ(g.MoveBytes(reinterpret_cast<char*>(a), want), k.MoveBytes(reinterpret_cast<char*>(b), want))
                    << label;
                ASSERT_TRUE(std::equal(a, a + 8, b)) << label;
            } else if (op < 6) {  // a text's bytes, across packets
                const int want = 1 + static_cast<int>(rng() % 1200);
                Bytes a(static_cast<std::size_t>(want)), b(a);
                ASSERT_EQ(g.DoBytes(reinterpret_cast<char*>(a.data()), want),
                          k.DoBytes(reinterpret_cast<char*>(b.data()), want))
                    << label;
                ASSERT_EQ(a, b) << label;
            } else if (op < 9) {
                const int pos = static_cast<int>(rng() % (n * 512 + 40));
                g.SetOffset(pos);
                k.SetOffset(pos);
            } else {
                ASSERT_EQ(g.GetRemainingByteCnt(), k.GetRemainingByteCnt()) << label;
            }
            ASSERT_EQ(g.GetOffset(), k.GetOffset()) << label << " step " << step;
        }
        // Its packets, when asked for, are those that arrived.
        ASSERT_EQ(SlotsOf(g), SlotsOf(k)) << label;
    }
}

TEST(PipePktCtrl, PacketsMadeFromGatheredBytesAreThoseReceivedAndReadOnFromThePosition) {
    // Three packets of a message in order; the reader stops in the middle
    // of the second, then asks for the packets.
    std::vector<Bytes> wires;
    Bytes stream;
    for (int i = 0; i < 3; ++i) {
        const int size = i < 2 ? 512 : 100;
        Bytes wire = PacketHeader(8 + size, 7, i + 1, 3);
        for (int b = 0; b < size; ++b) wire.push_back(static_cast<unsigned char>(b * 13 + i));
        stream.insert(stream.end(), wire.begin() + 8, wire.end());
        wires.push_back(wire);
    }
    Assembly a;
    for (const Bytes& w : wires) ASSERT_EQ(a.Put(w), 0);
    ASSERT_EQ(a.ctrl->AllThere(), 1);
    a.ctrl->SetOffset(0);
    Bytes head(700);
    ASSERT_EQ(a.ctrl->DoBytes(reinterpret_cast<char*>(head.data()), 700), 0);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), stream.begin()));
    EXPECT_EQ(a.ctrl->GetBufrCursor(), 1);
    BasePktBufrAry& ary = a.ctrl->GetBufrAry();
    ASSERT_EQ(ary.GetItemCnt(), 3);
    for (int i = 0; i < 3; ++i) {
        BasePktBufr* p = ary[i].GetPtr();
        EXPECT_EQ(p->GetOffset(), i == 0 ? 512 : i == 1 ? 700 - 512 : 0);
        EXPECT_EQ(p->GetMaxDataBufrSize(), 512);
        const int size = p->GetSendSize();
        const Bytes sent(p->GetSendRecvAddr(), p->GetSendRecvAddr() + size);
        EXPECT_EQ(sent, wires[static_cast<std::size_t>(i)]) << "packet " << i + 1;
    }
    // Reading goes on through the packets from where it stopped.
    Bytes rest(stream.size() - 700);
    ASSERT_EQ(a.ctrl->DoBytes(reinterpret_cast<char*>(rest.data()), static_cast<int>(rest.size())), 0);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), stream.begin() + 700));
}

// A reader that reads a packet continuing the message straight into the
// gathering controller's read slot, and goes on from a packet when the slot
// does not take it, against one that puts every packet: whatever arrives,
// both end alike, and the gathered bytes under a refused read stay intact.
namespace {

struct SlotReader {
    Assembly a;
    int taken = 0;
    void Put(const Bytes& wire) {
        if (a.ctrl.GetPtr() != nullptr) {
            if (char* slot = a.ctrl->OpenReadSlot()) {
                // The pipe gives at most a whole packet.
                const int n = std::min(static_cast<int>(wire.size()), PipePktBufr::HeaderSize + PipePktBufr::DATASIZE);
                std::copy(wire.begin(), wire.begin() + n, slot);
                if (a.ctrl->TakeReadSlot(n)) {
                    ++taken;
                    return;
                }
                const Bytes read(slot, slot + n);
                a.ctrl->CloseReadSlot();
                a.Put(read);
                return;
            }
        }
        a.Put(Bytes(wire.begin(), wire.begin() + std::min<std::size_t>(wire.size(), 520)));
    }
};

void SetU16(Bytes& wire, int at, unsigned value) {
    wire[static_cast<std::size_t>(at)] = static_cast<unsigned char>(value);
    wire[static_cast<std::size_t>(at) + 1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

TEST(PipePktCtrl, PacketsReadIntoTheSlotEndAsPacketsPutOneByOne) {
    std::mt19937 rng(777);
    int taken = 0, refused = 0;
    for (int round = 0; round < 600; ++round) {
        const auto label = ::testing::Message() << "round " << round;
        const int n = 2 + static_cast<int>(rng() % 4);
        std::vector<Bytes> wires;
        for (int i = 0; i < n; ++i) {
            const int size = i + 1 < n ? 512 : static_cast<int>(rng() % 513);
            Bytes wire = PacketHeader(8 + size, 5, i + 1, n);
            for (int b = 0; b < size; ++b) wire.push_back(static_cast<unsigned char>(rng()));
            wires.push_back(wire);
        }
        std::vector<Bytes> arrive(wires);
        // Mostly what a sender cuts; else one packet after the first as a
        // foreign or hostile peer sends it.
        const unsigned twist = rng() % 12;
        const std::size_t at = 1 + rng() % (n - 1);
        Bytes& w = arrive[at];
        switch (twist) {
            case 1: SetU16(w, 2, 6); break;                                      // another message's number
            case 2: std::swap(arrive[at], arrive.back()); break;                 // out of order
            case 3: arrive.insert(arrive.begin() + static_cast<long>(at), w); break;  // twice
            case 4: SetU16(w, 4, static_cast<unsigned>(n + 1)); break;           // beyond the count
            case 5: SetU16(w, 6, static_cast<unsigned>(n + 1)); break;           // another count
            case 6: SetU16(w, 0, static_cast<unsigned>(w.size() + 1)); break;    // claims more than arrived
            case 7: SetU16(w, 0, static_cast<unsigned>(w.size() - 1)); break;    // claims less
            case 8: w.resize(w.size() > 9 ? w.size() - 1 - rng() % (w.size() - 9) : w.size()); SetU16(w, 0, static_cast<unsigned>(w.size())); break;  // short
            case 9: w.resize(5); break;                                          // not even a header
            case 10: w.resize(600, 'z'); SetU16(w, 0, 600); break;               // longer than a packet
            case 11: SetU16(w, 4, 1); break;                                     // a first packet again
            default: break;
        }
        SlotReader s;
        Assembly k;
        for (const Bytes& wire : arrive) {
            s.Put(wire);
            k.Put(Bytes(wire.begin(), wire.begin() + std::min<std::size_t>(wire.size(), 520)));
            if (k.ctrl.GetPtr() == nullptr) continue;
            ASSERT_EQ(s.a.ctrl->AllThere(), k.ctrl->AllThere()) << label;
            ASSERT_EQ(s.a.ctrl->GetArrivedCnt(), k.ctrl->GetArrivedCnt()) << label;
            ASSERT_EQ(s.a.ctrl->GetPktCnt(), k.ctrl->GetPktCnt()) << label;
            ASSERT_EQ(s.a.ctrl->GetBadFlg(), k.ctrl->GetBadFlg()) << label;
        }
        taken += s.taken;
        if (twist != 0 && s.taken < n - 1) ++refused;
        PipePktCtrl& g = *s.a.ctrl.GetPtr();
        PipePktCtrl& c = *k.ctrl.GetPtr();
        g.SetOffset(0);
        c.SetOffset(0);
        Bytes a(static_cast<std::size_t>(n) * 512 + 8), b(a);
        ASSERT_EQ(g.DoBytes(reinterpret_cast<char*>(a.data()), static_cast<int>(a.size())),
                  c.DoBytes(reinterpret_cast<char*>(b.data()), static_cast<int>(b.size())))
            << label;
        ASSERT_EQ(a, b) << label;
        ASSERT_EQ(SlotsOf(g), SlotsOf(c)) << label;
    }
    // Both ways were taken, often.
    EXPECT_GT(taken, 600);
    EXPECT_GT(refused, 200);
}

TEST(PipePktCtrl, OnlyAGatheringControllerOpensAReadSlotAndOnlyOneAtATime) {
    // One packet: nothing to gather.
    Assembly one;
    Bytes single = PacketHeader(8 + 10, 2, 1, 1);
    single.resize(18, 'x');
    ASSERT_EQ(one.Put(single), 0);
    EXPECT_EQ(one.ctrl->OpenReadSlot(), nullptr);
    // A packing controller.
    PipePktCtrl packing;
    EXPECT_EQ(packing.OpenReadSlot(), nullptr);
    // A gathering one: one slot, right behind the gathered bytes' 512.
    Assembly two;
    Bytes first = PacketHeader(8 + 512, 3, 1, 2);
    first.resize(520, 'f');
    ASSERT_EQ(two.Put(first), 0);
    char* slot = two.ctrl->OpenReadSlot();
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(two.ctrl->OpenReadSlot(), nullptr);
    EXPECT_FALSE(two.ctrl->TakeReadSlot(7));  // shorter than a header: the slot stays open
    two.ctrl->CloseReadSlot();
    two.ctrl->CloseReadSlot();  // a second close changes nothing
    EXPECT_EQ(two.ctrl->AllThere(), 0);
    // Once the message is no longer gathered (a look at its packets), no slot.
    two.ctrl->GetBufrAry();
    EXPECT_EQ(two.ctrl->OpenReadSlot(), nullptr);
    Bytes data(512);
    two.ctrl->SetOffset(0);
    ASSERT_EQ(two.ctrl->DoBytes(reinterpret_cast<char*>(data.data()), 512), 0);
    EXPECT_EQ(data, Bytes(512, 'f'));
}

TEST(PipePktCtrl, AFirstPacketReadIntoASlotStartsWhatTheConstructorStarts) {
    // A message of 3 packets as a sender cuts it; its first packet as it
    // arrives, or changed.
    std::vector<Bytes> wires;
    for (int i = 0; i < 3; ++i) {
        const int size = i < 2 ? 512 : 77;
        Bytes wire = PacketHeader(8 + size, 11, i + 1, 3);
        for (int b = 0; b < size; ++b) wire.push_back(static_cast<unsigned char>(b * 31 + i));
        wires.push_back(wire);
    }
    auto with = [&](int at, unsigned value) {
        Bytes w = wires[0];
        SetU16(w, at, value);
        return w;
    };
    Bytes shortOne(wires[0].begin(), wires[0].begin() + 300);
    SetU16(shortOne, 0, 300);
    Bytes single = PacketHeader(8 + 40, 12, 1, 1);
    single.resize(48, 's');
    struct Case {
        const char* what;
        Bytes first;
        bool starts;
    };
    const Case cases[] = {
        {"as cut", wires[0], true},
        {"the largest count", with(6, PipePktCtrl::MaxPktCnt), true},
        {"one packet", single, false},
        {"short", shortOne, false},
        {"claims less", with(0, 519), false},
        {"claims more", with(0, 521), false},
        {"a second packet", with(4, 2), false},
        {"numbered 0", with(4, 0), false},
        {"a count of 0", with(6, 0), false},
        {"more than the largest count", with(6, PipePktCtrl::MaxPktCnt + 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PipePktCtrl::FirstSlot slot;
        char* at = PipePktCtrl::OpenFirstSlot(&slot);
        ASSERT_NE(at, nullptr);
        std::copy(c.first.begin(), c.first.end(), at);
        PipePktCtrlPtr started(PipePktCtrl::StartFromSlot(&slot, static_cast<int>(c.first.size())));
        ASSERT_EQ(started.GetPtr() != nullptr, c.starts);
        if (!c.starts) {
            // The bytes stay in the slot for the packet way.
            EXPECT_TRUE(std::equal(c.first.begin(), c.first.end(), reinterpret_cast<unsigned char*>(at)));
            continue;
        }
        // What the constructor makes of the same packet, and both with the rest.
        Assembly k;
        ASSERT_EQ(k.Put(c.first), 0);
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(started->AllThere(), k.ctrl->AllThere());
            ASSERT_EQ(started->GetArrivedCnt(), k.ctrl->GetArrivedCnt());
            ASSERT_EQ(started->GetPktCnt(), k.ctrl->GetPktCnt());
            ASSERT_EQ(started->GetPktCtrlId(), k.ctrl->GetPktCtrlId());
            ASSERT_EQ(started->GetBadFlg(), 0);
            if (i == 1) break;
            // The next packet, once through the read slot, once as a packet.
            char* next = started->OpenReadSlot();
            ASSERT_NE(next, nullptr);
            Bytes second = wires[1];
            if (c.first != wires[0]) SetU16(second, 6, static_cast<unsigned>(c.first[6] | c.first[7] << 8));
            std::copy(second.begin(), second.end(), next);
            ASSERT_TRUE(started->TakeReadSlot(static_cast<int>(second.size())));
            ASSERT_EQ(k.Put(second), 0);
        }
        started->SetOffset(0);
        k.ctrl->SetOffset(0);
        Bytes a(1100), b(1100);
        EXPECT_EQ(started->DoBytes(reinterpret_cast<char*>(a.data()), 1100),
                  k.ctrl->DoBytes(reinterpret_cast<char*>(b.data()), 1100));
        EXPECT_EQ(a, b);
        EXPECT_EQ(SlotsOf(*started.GetPtr()), SlotsOf(*k.ctrl.GetPtr()));
    }
}
