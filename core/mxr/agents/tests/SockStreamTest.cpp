// The stream adaptor over a real loopback TCP connection: how the byte
// stream is cut back into packets, and every way the connection hangs up.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include "BaseWorld.h"
#include "SockTestSupport.h"

namespace {

class SockStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        head = new SockRecordingHead(pair.TakeNear());
        ASSERT_EQ(head->Initialize(), 0);  // queues this end's PipeInitMsg
        adptr = SOCKPipePollAdptrPtr(head->GetPollAdptrPtr());
        ASSERT_TRUE(adptr.Ok());
    }
    // Serves until n packets are in or the connection hung up (bounded).
    void ServeUntil(std::size_t n) {
        for (int i = 0; i < 50 && head->packets.size() < n && head->hups == 0; ++i) ServeOnce(*adptr.GetPtr());
    }
    BaseWorld world;
    TcpPair pair;
    SockRecordingHeadPtr head;
    SOCKPipePollAdptrPtr adptr;
};

TEST_F(SockStreamTest, TwoAndAHalfPacketsInOneReadDeliverTwoAndKeepTheHalf) {
    const std::string a = StreamPacket(std::string(100, 'a'), 1);
    const std::string b = StreamPacket(std::string(512, 'b'), 2);
    const std::string c = StreamPacket(std::string(300, 'c'), 3);
    pair.WriteFar(a + b + c.substr(0, 150));
    ServeUntil(2);
    ASSERT_EQ(head->packets.size(), 2u);
    EXPECT_EQ(head->packets[0], a);
    EXPECT_EQ(head->packets[1], b);
    EXPECT_EQ(adptr->GetRcvdSizeAtLastRead(), 150);
    EXPECT_TRUE(adptr->GetSavedBasePktBufrPtr().Ok());
    pair.WriteFar(c.substr(150));
    ServeUntil(3);
    ASSERT_EQ(head->packets.size(), 3u);
    EXPECT_EQ(head->packets[2], c);
    EXPECT_EQ(adptr->GetRcvdSizeAtLastRead(), 0);
    EXPECT_EQ(head->hups, 0);
}

TEST_F(SockStreamTest, PiecesOfAnyCutDeliverEachPacketOnceWhenItsLastByteArrives) {
    struct Case {
        const char* name;
        std::size_t data;
        std::vector<std::size_t> cuts;  // sizes of the pieces written, one by one
    };
    const Case cases[] = {
        {"one-byte pieces", 40, std::vector<std::size_t>(48, 1)},
        {"cut after the first length byte of a full packet", 512, {1, 519}},
        {"cut inside the header", 512, {5, 515}},
        {"cut one byte before the end", 200, {207, 1}},
    };
    unsigned short id = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pkt = StreamPacket(std::string(c.data, 'p'), ++id);
        const std::size_t before = head->packets.size();
        std::size_t at = 0;
        for (std::size_t piece : c.cuts) {
            pair.WriteFar(pkt.substr(at, piece));
            at += piece;
            // Served after every piece: nothing may come out early.
            for (int i = 0; i < 2; ++i) ServeOnce(*adptr.GetPtr(), 5);
            if (at < pkt.size()) {
                EXPECT_EQ(head->packets.size(), before) << "after " << at << " bytes";
            }
        }
        ServeUntil(before + 1);
        ASSERT_EQ(head->packets.size(), before + 1);
        EXPECT_EQ(head->packets.back(), pkt);
    }
    EXPECT_EQ(head->hups, 0);
}

TEST_F(SockStreamTest, ALengthNoPacketCanHaveHangsUpOnceAndDeliversNothingFromIt) {
    for (int length : {7, 521, 0, 65535}) {
        for (int before : {0, 3}) {
            SCOPED_TRACE(std::to_string(length) + " after " + std::to_string(before) + " good packets");
            TcpPair p;
            SockRecordingHeadPtr h(new SockRecordingHead(p.TakeNear()));
            ASSERT_EQ(h->Initialize(), 0);
            const SOCKPipePollAdptrPtr a(h->GetPollAdptrPtr());
            // One write: the packets before the bad length, it, and a good
            // packet behind it that must not be taken for one.
            std::string batch;
            for (int i = 0; i < before; ++i) batch += StreamPacket(std::string(100, 'g'), static_cast<unsigned short>(i + 1));
            batch += RawLengthPacket(length, 20) + StreamPacket("behind", 9);
            p.WriteFar(batch);
            for (int i = 0; i < 10 && h->hups == 0; ++i) ServeOnce(*a.GetPtr());
            EXPECT_EQ(h->hups, 1);
            ASSERT_EQ(h->packets.size(), static_cast<std::size_t>(before)) << "the packets before it, nothing from it on";
            for (int i = 0; i < before; ++i) EXPECT_EQ(h->packets[static_cast<std::size_t>(i)], StreamPacket(std::string(100, 'g'), static_cast<unsigned short>(i + 1)));
            EXPECT_EQ(h->GetPollAdptrPtr().GetPtr(), nullptr) << "the head no longer serves the socket";
            EXPECT_EQ(ServeOnce(*a.GetPtr(), 0), BasePollAdptr::NOWORK);
            EXPECT_EQ(h->hups, 1);
        }
    }
}

TEST_F(SockStreamTest, ManyPacketsInOneReadComeOutInOrderEachOnceAReadPerTurn) {
    // More than one turn's read: 300 packets of mixed sizes in one write.
    std::vector<std::string> sent;
    std::string stream;
    for (int i = 0; i < 300; ++i) {
        sent.push_back(StreamPacket(std::string(static_cast<std::size_t>(1 + (i * 37) % 512), static_cast<char>('a' + i % 26)),
                                    static_cast<unsigned short>(i + 1)));
        stream += sent.back();
    }
    ASSERT_GT(stream.size(), static_cast<std::size_t>(SOCKPipePollAdptr::MaxReadPerTurn));
    std::thread writer([&] { pair.WriteFar(stream); });
    std::size_t most = 0;
    for (int i = 0; i < 2000 && head->packets.size() < sent.size() && head->hups == 0; ++i) {
        const std::size_t before = head->packets.size();
        ServeOnce(*adptr.GetPtr(), 50);
        std::size_t bytes = 0;
        for (std::size_t k = before; k < head->packets.size(); ++k) bytes += head->packets[k].size();
        most = std::max(most, bytes);
    }
    writer.join();
    ASSERT_EQ(head->packets.size(), sent.size());
    EXPECT_TRUE(head->packets == sent) << "out of order, lost or doubled";
    // One read per turn: a turn delivers at most what one read can hold
    // (and the incomplete packet the read before kept).
    EXPECT_LE(most, static_cast<std::size_t>(SOCKPipePollAdptr::MaxReadPerTurn + 520));
    EXPECT_EQ(head->hups, 0);
}

TEST_F(SockStreamTest, APeerThatSendsHalfABatchAndStopsLosesNothingAndHangsUpOnceOnClose) {
    const std::string a = StreamPacket(std::string(300, 'a'), 1);
    const std::string b = StreamPacket(std::string(400, 'b'), 2);
    pair.WriteFar(a + b.substr(0, 200));
    ServeUntil(1);
    for (int i = 0; i < 3; ++i) ServeOnce(*adptr.GetPtr(), 20);
    ASSERT_EQ(head->packets.size(), 1u);
    EXPECT_EQ(head->packets[0], a);
    EXPECT_EQ(head->hups, 0) << "a peer that pauses is not hung up";
    EXPECT_EQ(adptr->GetRcvdSizeAtLastRead(), 200);
    ::shutdown(pair.far, SHUT_WR);
    for (int i = 0; i < 10 && head->hups == 0; ++i) ServeOnce(*adptr.GetPtr());
    EXPECT_EQ(head->hups, 1);
    EXPECT_EQ(head->packets.size(), 1u) << "the half packet is never delivered as a packet";
}

TEST_F(SockStreamTest, PeerCloseHangsUpInsteadOfPollingReadableForEver) {
    const std::string a = StreamPacket("last words", 4);
    pair.WriteFar(a);
    ::shutdown(pair.far, SHUT_WR);
    for (int i = 0; i < 10 && head->hups == 0; ++i) ServeOnce(*adptr.GetPtr());
    EXPECT_EQ(head->hups, 1);
    ASSERT_EQ(head->packets.size(), 1u) << "bytes that arrived before the close are still delivered";
    EXPECT_EQ(head->packets[0], a);
}

TEST_F(SockStreamTest, ResetWhileAPacketWaitsHangsUpOnceWithoutSending) {
    struct Case {
        const char* name;
        bool bytesFirst;  // a packet arrives before the reset
        bool askPoll;     // revents as poll(2) gives them, or the read alone finds the reset
    };
    const Case cases[] = {
        {"the reset shows as POLLERR beside the packet read", true, true},
        {"the read finds the reset", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TcpPair p;
        SockRecordingHeadPtr h(new SockRecordingHead(p.TakeNear()));
        ASSERT_EQ(h->Initialize(), 0);
        const SOCKPipePollAdptrPtr a(h->GetPollAdptrPtr());
        // The PipeInitMsg is queued and not yet written.
        ASSERT_EQ(h->passed, 0);
        ASSERT_NE(a->GetReadyToSnd(), 0);
        if (c.bytesFirst) p.WriteFar(StreamPacket("x"));
        p.ResetFar();
        hv::pollfd pfd{};
        a->PopulatePollInfo(&pfd);
        if (c.askPoll) {
            ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
            ASSERT_NE(pfd.revents & POLLERR, 0);
        } else {
            // The reset has arrived (a poll for input sees it); the adaptor
            // is told only of input and room.
            hv::pollfd arrived{pfd.fd, POLLIN, 0};
            ASSERT_EQ(::poll(&arrived, 1, 10000), 1);
            pfd.revents = POLLIN | POLLOUT;
        }
        a->ProcessRevents(&pfd);
        EXPECT_EQ(h->hups, 1);
        EXPECT_EQ(h->passed, 0) << "no send after the hang-up";
        EXPECT_EQ(h->packets.size(), c.bytesFirst ? 1u : 0u) << "what arrived before the reset is delivered";
        EXPECT_EQ(h->GetPollAdptrPtr().GetPtr(), nullptr);
    }
}

TEST_F(SockStreamTest, APeerThatDoesNotReadNeverBlocksTheLoopAndLosesNoByte) {
    // Far more than the socket buffers hold: writes must stop without
    // waiting, keep the unsent tail and finish it in order later.
    std::string expected;
    // The PipeInitMsg goes first.
    while (head->GetTogoPktLst().GetItemCnt() > 0 || adptr->GetUnsentBytes() > 0) {
        if (ServeOnce(*adptr.GetPtr(), 0) == BasePollAdptr::NOWORK) break;
    }
    // What the far end has so far is the PipeInitMsg: read and forget it.
    char sink[4096];
    hv::pollfd arrived{pair.far, POLLIN, 0};
    ASSERT_EQ(::poll(&arrived, 1, 10000), 1);
    while (::recv(pair.far, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
    const int packets = 20000;  // ~10 MB
    int queued = 0;
    int stalls = 0;
    for (int i = 0; i < packets; ++i) {
        const std::string pkt = StreamPacket(std::string(512, static_cast<char>('A' + i % 26)), static_cast<unsigned short>(i + 1));
        BasePktBufrPtr b = head->GetEmptyPktBufr();
        std::memcpy(b->GetSendRecvAddr(), pkt.data(), pkt.size());
        b->SetRecvdSize(static_cast<int>(pkt.size()));
        head->GetTogoPktLst().Append(b);
        expected += pkt;
        ++queued;
    }
    adptr->SetReadyToSnd(1);
    // Serve without the far end reading: every turn returns at once.
    for (int i = 0; i < packets && stalls < 50; ++i) {
        hv::pollfd p{};
        adptr->PopulatePollInfo(&p);
        p.revents = POLLOUT;  // claimed writable even when it is not
        if (adptr->ProcessRevents(&p) == BasePollAdptr::NOWORK) ++stalls;
    }
    EXPECT_GT(stalls, 0) << "the socket filled up";
    EXPECT_EQ(head->hups, 0);
    // Now the far end reads everything; the loop finishes the queue.
    std::string got;
    for (int i = 0; i < 200000 && got.size() < expected.size(); ++i) {
        ServeOnce(*adptr.GetPtr(), 0);
        const ssize_t n = ::recv(pair.far, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) got.append(sink, static_cast<std::size_t>(n));
    }
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "bytes out of order or lost";
    EXPECT_EQ(queued, packets);
}

}  // namespace
