// The pipe reader reading a packet that continues the message in assembly
// straight into the bytes its controller gathers, and one that may start a
// message into a buffer its controller takes over. A plain endpoint (which
// takes those ways) and an endpoint of a derived class (which reads every
// packet into a packet) are handed the same pipe messages through their
// adapters: whatever arrives (in order, out of order, twice, under another
// number, short, too long, a header that lies), both must end alike: the
// same messages delivered, the same assembly after each read, the same
// reports, the pipe up or hung up alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MsgIo.h"
#include "PipePktBufr.h"
#include "PipePollAdptr.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {

using Wire = std::vector<char>;

void SetU16(Wire& wire, int at, unsigned value) {
    wire[static_cast<std::size_t>(at)] = static_cast<char>(value & 0xFF);
    wire[static_cast<std::size_t>(at) + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// What an endpoint made of a run of pipe messages.
struct Outcome {
    std::vector<std::string> delivered;  // each bulk message: its number and whether its payload is intact
    std::vector<int> inAssembly;         // after each read
    std::vector<std::size_t> assemblyBytes;
    std::string reports;  // stderr, with the endpoint's class name taken out
    bool up = true;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    os << "delivered:";
    for (const std::string& d : o.delivered) os << ' ' << d;
    os << "; in assembly:";
    for (int n : o.inAssembly) os << ' ' << n;
    os << "; bytes:";
    for (std::size_t n : o.assemblyBytes) os << ' ' << n;
    return os << "; up " << o.up << "; reports:\n" << o.reports;
}

struct PipeGatherReadTest : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    RecordingRcvr rcvr;

    std::vector<Wire> Packets(int n, std::size_t size, unsigned short id) {
        return PacketsOfMsg(BaseMsgPtr(new BulkMsg(BaseAddrPtr(rcvr.GetAddrPtr()), n, Payload(size, n))), id);
    }

    // Writes each wire as one pipe message to an endpoint (plain or
    // derived), its adapter reading each in a turn of its own. A message of
    // two packets (number 0, not reported) goes first, so that the adapter
    // is as after reading such a message: with a packet of its own to read
    // into, and expecting messages of several packets.
    Outcome Run(bool plain, const std::vector<Wire>& wires) {
        Outcome out;
        SockPair pair;
        PipeHeadPtr head = plain ? new PipeHead(pair.TakeA()) : new TestPipeHead(pair.TakeA());
        EXPECT_EQ(typeid(*head.GetPtr()) == typeid(PipeHead), plain);
        EXPECT_EQ(head->Initialize(), 0);
        const PipePollAdptrPtr adptr(head->GetPollAdptrPtr());
        rcvr.seen.clear();
        auto feed = [&](const Wire& w) {
            hv::strbuf d{0, static_cast<int>(w.size()), const_cast<char*>(w.data())};
            EXPECT_EQ(hv::putmsg(pair.b, nullptr, &d, 0), 0);
            if (head->GetPollAdptrPtr().Ok()) {
                hv::pollfd p{adptr->GetFd(), 0, POLLIN};
                adptr->ProcessRevents(&p);
            }
        };
        const std::vector<Wire> warmUp = Packets(0, 600, 1);
        EXPECT_EQ(warmUp.size(), 2u);
        for (const Wire& w : warmUp) feed(w);
        {
            StderrCapture err;
            for (const Wire& w : wires) {
                feed(w);
                out.inAssembly.push_back(head->GetRcvPktCtrlLst().GetItemCnt());
                out.assemblyBytes.push_back(head->GetAssemblyBytes());
            }
            world.ProcessMessages();
            out.reports = err.Text();
        }
        for (std::string::size_type at; (at = out.reports.find("TestPipeHead")) != std::string::npos;)
            out.reports.erase(at, 4);
        for (const Seen& s : rcvr.seen) {
            BulkMsgPtr m(s.msg);
            if (s.stage != "DfltMsgHdlr" || !m.Ok() || m->n == 0) continue;
            const std::string data(static_cast<const char*>(m->data), static_cast<std::size_t>(m->data.StrLen()));
            out.delivered.push_back(std::to_string(m->n) + (data == Payload(data.size(), m->n) ? " intact" : " BROKEN"));
        }
        out.up = head->GetPollAdptrPtr().Ok();
        if (out.up) adptr->DeRegister();
        return out;
    }
};

}  // namespace

TEST_F(PipeGatherReadTest, WhatArrivesEndsAsItEndsPacketByPacket) {
    const std::vector<Wire> a = Packets(1, 1500, 5);  // three packets
    const std::vector<Wire> b = Packets(2, 900, 6);   // two
    const std::vector<Wire> c = Packets(3, 800, 5);   // two, under a's number
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 2u);
    ASSERT_EQ(c.size(), 2u);
    const std::vector<Wire> o = Packets(4, 100, 7);   // one
    ASSERT_EQ(o.size(), 1u);
    auto changed = [](Wire w, int at, unsigned value) {
        SetU16(w, at, value);
        return w;
    };
    auto sized = [](Wire w, std::size_t size, unsigned claimed) {
        w.resize(size, 'z');
        if (size >= 2) SetU16(w, 0, claimed);
        return w;
    };
    struct Case {
        const char* what;
        std::vector<Wire> wires;
        std::vector<std::string> delivered;
    };
    const Case cases[] = {
        {"in order", {a[0], a[1], a[2]}, {"1 intact"}},
        {"two messages one after the other", {a[0], a[1], a[2], b[0], b[1]}, {"1 intact", "2 intact"}},
        {"interleaved with another message", {a[0], b[0], a[1], b[1], a[2]}, {"2 intact", "1 intact"}},
        {"a lone packet of another message in between", {a[0], b[1], a[1], a[2]}, {"1 intact"}},
        {"a packet of another number in between", {a[0], changed(a[1], 2, 6), a[1], a[2]}, {"1 intact"}},
        {"out of order", {a[0], a[2], a[1]}, {"1 intact"}},
        {"a packet twice", {a[0], a[1], a[1], a[2]}, {"1 intact"}},
        {"a new message under the same number", {a[0], a[1], c[0], c[1]}, {"3 intact"}},
        {"a short packet before the last", {a[0], sized(a[1], 300, 300), a[2]}, {}},
        {"a header that claims more than arrived", {a[0], changed(a[1], 0, 521), a[2]}, {}},
        {"a header that claims less than arrived", {a[0], changed(a[1], 0, 519), a[2]}, {"1 intact"}},
        {"longer than a packet", {a[0], sized(a[1], 600, 600), a[2]}, {}},
        {"longer than a packet, the header of a whole one", {a[0], sized(a[1], 600, 520), a[2]}, {}},
        {"only a header", {a[0], sized(a[1], 8, 8), a[2]}, {}},
        {"less than a header", {a[0], sized(a[1], 5, 5), a[2]}, {}},
        {"a packet beyond the count", {a[0], a[1], changed(a[2], 4, 4)}, {}},
        {"a packet of another count", {a[0], changed(a[1], 6, 4), a[2]}, {}},
        {"a packet numbered first again", {a[0], changed(a[1], 4, 1), a[2]}, {}},
        {"the largest count, one packet short", {changed(a[0], 6, PipePktCtrl::MaxPktCnt), changed(a[1], 6, PipePktCtrl::MaxPktCnt)}, {}},
        // What arrives where a message may start.
        {"a message of one packet, then one of three", {o[0], a[0], a[1], a[2]}, {"4 intact", "1 intact"}},
        {"a first packet that is short", {sized(a[0], 300, 300), a[1], a[2]}, {}},
        {"a first packet longer than a packet", {sized(a[0], 600, 520), a[1], a[2]}, {}},
        {"a first packet that claims less than arrived", {changed(a[0], 0, 519), a[1], a[2]}, {"1 intact"}},
        {"a first packet that claims more than arrived", {changed(a[0], 0, 521), a[1], a[2], b[0], b[1]}, {"2 intact"}},
        {"a second packet where a message should start", {a[1], a[2], b[0], b[1]}, {"2 intact"}},
        {"a second packet where a message should start, and again", {a[1], a[1], a[2]}, {}},
        {"a first packet of a count of 0", {changed(a[0], 6, 0), b[0], b[1]}, {"2 intact"}},
        {"a first packet of more than the largest count", {changed(a[0], 6, PipePktCtrl::MaxPktCnt + 1), a[1], a[2], b[0], b[1]}, {"2 intact"}},
        {"a first packet numbered 0", {changed(a[0], 4, 0), a[1], a[2], b[0], b[1]}, {"2 intact"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome derived = Run(false, c.wires);
        const Outcome plain = Run(true, c.wires);
        EXPECT_EQ(plain, derived);
        EXPECT_EQ(plain.delivered, c.delivered);
    }
}

TEST_F(PipeGatherReadTest, ALongMessageArrivesWholeAndLeavesNothingInAssembly) {
    // Enough packets that the gathered bytes grow (and move) under reads.
    const std::vector<Wire> big = Packets(7, 300000, 9);
    ASSERT_GT(big.size(), 500u);
    const Outcome plain = Run(true, big);
    EXPECT_EQ(plain.delivered, std::vector<std::string>{"7 intact"});
    EXPECT_EQ(plain.inAssembly.back(), 0);
    EXPECT_EQ(plain.assemblyBytes.back(), 0u);
    EXPECT_EQ(plain.assemblyBytes[big.size() - 2], (big.size() - 1) * 520);
    EXPECT_EQ(plain, Run(false, big));
}
