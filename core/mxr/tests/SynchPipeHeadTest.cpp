// The blocking client connection against a manager end played by the test
// on a real pipe (a listener in a fresh system directory): what the manager
// sees of connecting and writing, and what the client makes of every kind
// of packet sequence it can be sent. The test writes the manager's side
// before the client reads, so everything runs on one thread.
#include <gtest/gtest.h>

#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "IoObjectCvt.h"
#include "LogicalAddr.h"
#include "Message.h"
#include "MsgIo.h"
#include "MxrTestSupport.h"
#include "PipeHead.h"
#include "PipePktBufr.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "ProxyPostOffice.h"
#include "SynchPipeHead.h"
#include "platform/NamedPipe.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;
using namespace portlib::platform;

namespace {

struct SynchPipe : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    NamedPipeListener listener;
    std::vector<int> serverFds;

    void SetUp() override {
        PipeListenOptions o;
        o.nonBlocking = false;
        ASSERT_EQ(listener.Create(GetMxrPipeName(), o), 0);
    }
    ~SynchPipe() override {
        for (int fd : serverFds) PipeClose(fd);
    }

    // The manager's end of the client's newest connection.
    int Accept() {
        int fd = -1;
        EXPECT_EQ(listener.Accept(&fd, 2000), 0);
        serverFds.push_back(fd);
        return fd;
    }
    static std::string ReadRaw(int fd) {
        char buf[2048];
        hv::strbuf d{sizeof buf, 0, buf};
        if (hv::getmsg(fd, nullptr, &d, nullptr) != 0) return "<failed>";
        return std::string(buf, static_cast<size_t>(d.len));
    }
    static bool WriteRaw(int fd, std::string bytes) {
        hv::strbuf d{0, static_cast<int>(bytes.size()), bytes.data()};
        return hv::putmsg(fd, nullptr, &d, 0) == 0;
    }
    // The packets of obj under message number id, as they go on the wire.
    static std::vector<std::string> Packets(const BasePtr& obj, unsigned short id) {
        PipePktCtrl c;
        c.SetDirection(BasePktCtrl::INTOPKT);
        c.SetPktCtrlId(id);
        obj->Serialize(c);
        c.SetOffset(0);
        std::vector<std::string> out;
        for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr())
            out.emplace_back(p->GetSendRecvAddr(), static_cast<size_t>(p->GetSendSize()));
        return out;
    }
    static void WritePackets(int fd, const std::vector<std::string>& pkts, size_t from = 0, size_t to = SIZE_MAX) {
        for (size_t i = from; i < pkts.size() && i < to; ++i) ASSERT_TRUE(WriteRaw(fd, pkts[i]));
    }
    static unsigned short Field(const std::string& pkt, int at) {
        return static_cast<unsigned short>(static_cast<unsigned char>(pkt[at]) |
                                           (static_cast<unsigned char>(pkt[at + 1]) << 8));
    }
    static BaseMsgPtr Letter(const std::string& text) { return BaseMsgPtr(new Message(text.c_str())); }
    static std::string LetterText(const BaseMsgPtr& m) {
        const MessagePtr letter(m);
        return letter.Ok() ? letter->GetDataStr().StrVal() : "<not a Message>";
    }

    // A client connected and initialized; *server gets the manager's end.
    SynchPipeHeadPtr Connected(int* server, unsigned peerPktSize = 520) {
        SynchPipeHeadPtr c(new SynchPipeHead(bStr(GetMxrPipeName())));
        *server = Accept();
        EXPECT_EQ(ReadRaw(*server), std::string(PipeHead::ConnectRecord, PipeHead::ConnectRecordLen));
        SynchPipeHead(dup(*server)).SynchWrite(BaseMsgPtr(new PipeInitMsg("NODEA", 0, 0, peerPktSize)));
        EXPECT_EQ(c->Initialize(), 0);
        BaseMsgPtr init;
        SynchPipeHead reader(dup(*server));
        EXPECT_EQ(reader.SynchRead(init), 0);
        EXPECT_TRUE(PipeInitMsgPtr(init).Ok());
        return c;
    }
};

}  // namespace

// What the manager sees: the 24-byte record without a NUL as the first pipe
// message, then the client's PipeInitMsg with its own address and packet size.
TEST_F(SynchPipe, ConnectingWritesTheRecordThenTheInitMessage) {
    SynchPipeHead c{bStr(GetMxrPipeName())};
    ASSERT_NE(c.GetFileDscrpt(), -1);
    EXPECT_EQ(c.GetFileName(), bStr(GetMxrPipeName()));
    const int server = Accept();
    const std::string record = ReadRaw(server);
    EXPECT_EQ(record.size(), 24u);
    EXPECT_EQ(record, "!@#$CONNECTED_TO_MXR$#@!");
    SynchPipeHead(dup(server)).SynchWrite(BaseMsgPtr(new PipeInitMsg("NODEA", 0, 0, 300)));
    ASSERT_EQ(c.Initialize(), 0);
    BaseMsgPtr got;
    ASSERT_EQ(SynchPipeHead(dup(server)).SynchRead(got), 0);
    const PipeInitMsgPtr init(got);
    ASSERT_TRUE(init.Ok());
    EXPECT_EQ(init->GetHost(), bStr("NODEA"));
    EXPECT_EQ(init->GetPid(), static_cast<long>(::getpid()));
    EXPECT_EQ(init->GetTid(), static_cast<long>(::gettid()));
    EXPECT_EQ(init->GetMax_pkt_size(), 520u);
    EXPECT_EQ(c.GetOtherMaxPktSize(), 300u);
    EXPECT_EQ(c.GetMaxPktSize(), 300u);
    EXPECT_EQ(c.GetBaseAddrPtr()->GetTid(), static_cast<long>(::gettid()));
}

TEST_F(SynchPipe, InitializeFailsWithoutAManagerOrWithAnotherFirstAnswer) {
    SynchPipeHead unconnected;
    EXPECT_EQ(unconnected.Initialize(), -1);
    {
        hvtest::TempSystemDir empty;  // no listener there
        SynchPipeHead nobody{bStr(GetMxrPipeName())};
        EXPECT_EQ(nobody.GetFileDscrpt(), -1);
        EXPECT_EQ(nobody.Initialize(), -1);
    }
    SynchPipeHead c{bStr(GetMxrPipeName())};
    const int server = Accept();
    ReadRaw(server);
    SynchPipeHead(dup(server)).SynchWrite(Letter("not an init message"));
    EXPECT_EQ(c.Initialize(), -1);
    // A manager that hangs up instead of answering.
    SynchPipeHead d{bStr(GetMxrPipeName())};
    const int server2 = Accept();
    ReadRaw(server2);
    ::shutdown(server2, SHUT_RDWR);
    EXPECT_EQ(d.Initialize(), -1);
}

// A request leaves with the connection's address as its return address,
// whatever it carried; a plain message keeps its addresses.
TEST_F(SynchPipe, RequestsAreStampedWithTheConnectionsAddress) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    const BaseAddrPtr po(new LogicalAddr(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE));
    BaseMsgPtr req(new PostOfficeCreateMailBoxReqMsg(po, "box"));
    req->SetFrmAddr(BaseAddrPtr(new BaseAddr(bStr("ELSEWHERE"), 1, 2)));
    ASSERT_EQ(c->SynchWrite(req), 0);
    BaseMsgPtr letter = Letter("plain");
    letter->SetToAddr(po);
    ASSERT_EQ(c->SynchWrite(letter), 0);

    SynchPipeHead reader(dup(server));
    BaseMsgPtr got;
    ASSERT_EQ(reader.SynchRead(got), 0);
    const BaseAddrPtr from = got->GetFrmAddr();
    ASSERT_TRUE(from.Ok());
    EXPECT_EQ(from->GetHost(), bStr("NODEA"));
    EXPECT_EQ(from->GetPid(), static_cast<long>(::getpid()));
    EXPECT_EQ(from->GetTid(), static_cast<long>(::gettid()));
    EXPECT_EQ(TextOf(got->GetToAddr()), TextOf(po));
    ASSERT_EQ(reader.SynchRead(got), 0);
    EXPECT_EQ(TextOf(got), TextOf(letter));
    // One way: no return address at all.
    ASSERT_EQ(c->SynchWriteOneWay(req), 0);
    ASSERT_EQ(reader.SynchRead(got), 0);
    EXPECT_FALSE(got->GetFrmAddr().Ok());
}

// Numbers come from one process-wide counter: the first is 1, 65535 is
// followed by 1, 0 is never used; every packet of a message carries its
// number; a large message goes out in pipe messages of at most 520 bytes.
TEST_F(SynchPipe, MessageNumbersAndPackets) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    auto nextNumbers = [&](int n) {
        std::vector<unsigned short> ids;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(c->SynchWrite(Letter("x")), 0);
            ids.push_back(Field(ReadRaw(server), 2));
        }
        return ids;
    };
    SynchPipeHead::SetNextIdVal(0);
    EXPECT_EQ(nextNumbers(2), (std::vector<unsigned short>{1, 2}));
    SynchPipeHead::SetNextIdVal(65534);
    EXPECT_EQ(nextNumbers(3), (std::vector<unsigned short>{65535, 1, 2}));
    EXPECT_EQ(SynchPipeHead::GetNextIdVal(), 2);

    const std::string big(2000, 'b');
    ASSERT_EQ(c->SynchWrite(Letter(big)), 0);
    const std::vector<std::string> expect = Packets(Letter(big), 3);
    ASSERT_GE(expect.size(), 4u);
    for (size_t i = 0; i < expect.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string pkt = ReadRaw(server);
        EXPECT_LE(pkt.size(), 520u);
        EXPECT_EQ(Field(pkt, 2), 3);          // message number
        EXPECT_EQ(Field(pkt, 4), i + 1);      // place in the message
        EXPECT_EQ(Field(pkt, 6), expect.size());
        EXPECT_EQ(pkt, expect[i]);
    }
}

// Every read starts with nothing assembled: the manager numbers messages
// from one counter for all its connections, so a connection sees numbers
// again; a message must never be joined with packets of an earlier one.
TEST_F(SynchPipe, EachReadAssemblesOnlyItsOwnMessage) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    const std::string a(1200, 'a'), b(1200, 'b');
    WritePackets(server, Packets(Letter(a), 7));
    WritePackets(server, Packets(Letter(b), 7));
    BaseMsgPtr got;
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), a);
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), b);

    // Within a read, a first packet starts over, under the same number or
    // another; the partial message is dropped with a line.
    struct Case {
        unsigned short partialId, wholeId;
    };
    for (const Case k : {Case{9, 9}, Case{10, 11}}) {
        SCOPED_TRACE(k.partialId);
        WritePackets(server, Packets(Letter(a), k.partialId), 0, 2);
        WritePackets(server, Packets(Letter("whole"), k.wholeId));
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(c->SynchRead(got), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "SynchPipeHead dropped partial message " + std::to_string(k.partialId) + " for message " +
                      std::to_string(k.wholeId) + "\n");
        EXPECT_EQ(LetterText(got), "whole");
    }
    EXPECT_EQ(c->GetPipePktCtrlPtr()->GetBufrAry().GetItemCnt(), 0);
}

// Bytes a client cannot take: a pipe message longer than any packet is read
// away whole and refused, a packet shorter than its header says is refused,
// a packet that does not fit its message is dropped; the next message is
// read intact each time. Bytes that are no message are refused, an
// s-expression stands for the message it describes, and a hang-up is -2.
TEST_F(SynchPipe, BadInputIsRefusedAndTheNextMessageReadIntact) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    BaseMsgPtr got;

    ASSERT_TRUE(WriteRaw(server, std::string(700, 'z')));
    WritePackets(server, Packets(Letter("after long"), 20));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c->SynchRead(got), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "SynchPipeHead in MOREDATA CaseinBuf.len = 520\n");
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), "after long");

    std::string cut = Packets(Letter("cut short"), 21)[0];
    cut.resize(cut.size() - 3);
    ASSERT_TRUE(WriteRaw(server, cut));
    WritePackets(server, Packets(Letter("after cut"), 22));
    EXPECT_EQ(c->SynchRead(got), -1);
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), "after cut");

    std::vector<std::string> two = Packets(Letter(std::string(600, 'q')), 23);
    two[1][6] = 9;  // claims a message of 9 packets
    WritePackets(server, two);
    WritePackets(server, Packets(Letter("after misfit"), 24));
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "SynchPipeHead refused message 23: packet 2 of 9\n");
    EXPECT_EQ(LetterText(got), "after misfit");

    WritePackets(server, Packets(BasePtr(new BaseAddr(bStr("NODEA"), 1, 2)), 25));
    EXPECT_EQ(c->SynchRead(got), -1);

    BaseMsgPtr described = Letter("as a list");
    WritePackets(server, Packets(BasePtr(GetIoItemFrom(BasePtr(described))), 26));
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), "as a list");

    ::shutdown(server, SHUT_RDWR);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c->SynchRead(got), -2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "SynchPipeHead getmsg failed \n");
    EXPECT_EQ(c->SynchWrite(Letter("gone")), -1);
}

// What the manager would never assemble is not sent: the call fails at once,
// nothing reaches the pipe, and the connection serves the next call. What
// arrives of such a message is refused with one line, not one per packet.
TEST_F(SynchPipe, AMessageTooLargeForTheReceiverFailsAtOnceAndIsRefusedOnce) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    const std::string tooBig(PipePktCtrl::MaxPktCnt * std::size_t{PipePktBufr::DATASIZE}, 'm');
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c->SynchWrite(Letter(tooBig)), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("needs more packets than a receiver accepts"),
              std::string::npos);
    pollfd p{server, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0);  // nothing was written
    ASSERT_EQ(c->SynchWrite(Letter("small")), 0);
    BaseMsgPtr got;
    ASSERT_EQ(SynchPipeHead(dup(server)).SynchRead(got), 0);
    EXPECT_EQ(LetterText(got), "small");

    // The first 50 packets of a 12,289-packet message, then a letter.
    std::string pkt = Packets(Letter("x"), 30)[0];
    for (unsigned short i = 1; i <= 50; ++i) {
        pkt[4] = static_cast<char>(i & 0xFF);
        pkt[5] = static_cast<char>(i >> 8);
        pkt[6] = static_cast<char>(12289 & 0xFF);
        pkt[7] = static_cast<char>(12289 >> 8);
        ASSERT_TRUE(WriteRaw(server, pkt));
    }
    WritePackets(server, Packets(Letter("after"), 31));
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(c->SynchRead(got), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "SynchPipeHead refused message 30: packet 1 of 12289\n");
    EXPECT_EQ(LetterText(got), "after");
}

// A thread's first live connection carries the thread's own address; one
// made while it is open gets a tid of its own (two connections under one
// address would both be routed to the older); once the first has gone, the
// thread's address is free again.
TEST_F(SynchPipe, AThreadsSecondConnectionHasAnAddressOfItsOwn) {
    int s1 = -1, s2 = -1, s3 = -1;
    SynchPipeHeadPtr first = Connected(&s1);
    SynchPipeHeadPtr second = Connected(&s2);
    EXPECT_EQ(first->GetBaseAddrPtr()->GetTid(), static_cast<long>(::gettid()));
    EXPECT_GE(second->GetBaseAddrPtr()->GetTid(), SynchPipeHead::ExtraConnectionTidBase);
    first = SynchPipeHeadPtr();
    SynchPipeHeadPtr third = Connected(&s3);
    EXPECT_EQ(third->GetBaseAddrPtr()->GetTid(), static_cast<long>(::gettid()));
}

// Neither class carries a field, and neither is ever built from a peer's
// bytes or text: both are refused before anything is constructed.
TEST_F(SynchPipe, EncodingsCarryTheClassAloneAndAreNeverDecoded) {
    int server = -1;
    SynchPipeHeadPtr c = Connected(&server);
    EXPECT_EQ(TextOf(BasePtr(c)), "(SynchPipeHead)");
    EXPECT_EQ(WireOf(BasePtr(c)), WireOf(BasePtr(new SynchPipeHead())));
    ProxyPostOfficePtr proxy(new ProxyPostOffice(c));
    EXPECT_EQ(TextOf(BasePtr(proxy)), "(ProxyPostOffice)");
    for (const BasePtr& obj : {BasePtr(c), BasePtr(proxy)}) {
        int rc = 0;
        EXPECT_EQ(FromWire(WireOf(obj), &rc).GetPtr(), nullptr);
        EXPECT_NE(rc, 0);
        rc = 0;
        EXPECT_EQ(FromTree(obj, &rc).GetPtr(), nullptr);
        EXPECT_NE(rc, 0);
    }
}
