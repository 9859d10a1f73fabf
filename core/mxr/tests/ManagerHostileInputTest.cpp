// The real manager (hvmanager in its own process, on a fresh system
// directory) against a hostile local peer on a raw pipe connection: one
// table of inputs, and after each the same checks: the post office (logical
// name 5) and the local host receiver (6) answer, a well-behaved client in
// a process of its own is served, and the manager's memory and descriptors
// stay bounded.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BaseErrMsg.h"
#include "LocalHostReliableMessageHomeReqMsg.h"
#include "LogicalAddr.h"
#include "Message.h"
#include "MsgIo.h"
#include "MxrTestSupport.h"
#include "PipeHead.h"
#include "PipeInitMsg.h"
#include "PipePktBufr.h"
#include "PipeRegMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeDisplayMailBoxLstReqMsg.h"
#include "PostOfficeRcvFromMboxReqMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PktSerialize.h"
#include "IoItem.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"
#include "ProcessTestSupport.h"
#include "ProxyPostOffice.h"
#include "RegisterClass.h"
#include "SpclSerialInt.h"
#include "SynchPipeHead.h"
#include "platform/NamedPipe.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;
using namespace portlib::platform;

namespace {

using Bytes = std::string;

// The packets of a stream of bytes under message number id.
std::vector<Bytes> PacketsOf(const Bytes& stream, unsigned short id) {
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    c.SetPktCtrlId(id);
    if (!stream.empty()) c.DoBytes(const_cast<char*>(stream.data()), static_cast<int>(stream.size()));
    c.SetOffset(0);
    std::vector<Bytes> out;
    for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr())
        out.emplace_back(p->GetSendRecvAddr(), static_cast<size_t>(p->GetSendSize()));
    return out;
}

// An object's wire form as it makes up a pipe message.
Bytes StreamOf(const BasePtr& obj) {
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    obj->Serialize(c);
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    Bytes out(static_cast<size_t>(c.GetRemainingByteCnt()), '\0');
    if (!out.empty()) c.DoBytes(out.data(), static_cast<int>(out.size()));
    return out;
}

// A packet with any header a peer cares to write, full of data.
Bytes RawPacket(unsigned short id, unsigned short pktId, unsigned short total) {
    Bytes wire(PipePktBufr::HeaderSize + PipePktBufr::DATASIZE, 'd');
    const unsigned short header[4] = {static_cast<unsigned short>(wire.size()), id, pktId, total};
    for (int i = 0; i < 4; ++i) {
        wire[2 * i] = static_cast<char>(header[i] & 0xFF);
        wire[2 * i + 1] = static_cast<char>(header[i] >> 8);
    }
    return wire;
}

// A class code as it leads an object's wire form.
Bytes CodeBytes(int code) {
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    SpclSerialInt v(static_cast<unsigned long>(code));
    _serialize(c, v);
    c.SetOffset(0);
    Bytes out(static_cast<size_t>(c.GetRemainingByteCnt()), '\0');
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.DoBytes(out.data(), static_cast<int>(out.size()));
    return out;
}

// Every class code this program registered (the manager's libraries are
// linked here too).
std::vector<int> RegisteredCodes() {
    std::vector<int> codes;
    RegisterClass** table = RegisterClass::GetClassListPtr();
    for (int i = 0; table != nullptr && i < RegisterClass::GetClassListSize(); ++i)
        if (table[i] != nullptr) codes.push_back(i);
    return codes;
}

BaseAddrPtr PostOfficeAddr() { return BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE)); }

// The raw peer's own address: this process (the kernel's pid), a tid no
// thread has.
constexpr long kRawTid = 0x50000001L;

// A raw connection: the connect record, then what the test writes.
class RawPeer {
public:
    RawPeer() {
        if (PipeConnect(GetMxrPipeName(), {5000, PipeReadMode::Message, false}, &fd) != 0) return;
        ok = Write(Bytes(PipeHead::ConnectRecord, PipeHead::ConnectRecordLen));
    }
    ~RawPeer() {
        if (fd != -1) PipeClose(fd);
    }
    bool Write(Bytes bytes) {
        hv::strbuf d{0, static_cast<int>(bytes.size()), bytes.data()};
        return hv::putmsg(fd, nullptr, &d, 0) == 0;
    }
    bool WriteAll(const std::vector<Bytes>& pkts) {
        for (const Bytes& p : pkts)
            if (!Write(p)) return false;
        return true;
    }
    bool Send(const BasePtr& obj, unsigned short id) { return WriteAll(PacketsOf(StreamOf(obj), id)); }
    // Introduces this peer under its own address, so answers find it.
    bool Introduce() {
        return Send(BasePtr(new PipeInitMsg("NODEA", static_cast<long>(::getpid()), kRawTid, 520)), 1);
    }
    // True once the manager closed this connection; nothing is read.
    bool HungUp(int timeoutMs) {
        return WaitUntil(
            [&] {
                pollfd p{fd, POLLRDHUP, 0};
                return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
            },
            timeoutMs);
    }
    int fd = -1;
    bool ok = false;
};

long VmRssKb(pid_t pid) {
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
}

int Descriptors(pid_t pid) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        static_cast<void>(e);
        ++n;
    }
    return n;
}

struct HostileInput : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::unique_ptr<ManagerProcess> manager;
    long baseRssKb = 0;
    int baseFds = 0;
    int checks = 0;

    void SetUp() override {
        manager = std::make_unique<ManagerProcess>(sys.Path(), "NODEA");
        ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
        ASSERT_TRUE(Healthy("at start"));
        baseRssKb = VmRssKb(manager->child.Pid());
        baseFds = Descriptors(manager->child.Pid());
    }
    void TearDown() override { EXPECT_EQ(manager->child.Stop(), 0) << manager->child.Err(); }

    // Logical names 5 and 6 answer; a client process is served.
    ::testing::AssertionResult Healthy(const std::string& after) {
        const std::string box = "check" + std::to_string(++checks);
        ProxyPostOffice po;
        if (po.CreateMailBox(box.c_str()) != Message::OKAY)
            return ::testing::AssertionFailure() << after << ": the post office did not create " << box;
        if (po.SendToMbox("NODEA", box.c_str(), MessagePtr(new Message("ping"))) != Message::OKAY)
            return ::testing::AssertionFailure() << after << ": the post office did not take a letter";
        if (!LocalHostSends(box)) return ::testing::AssertionFailure() << after << ": logical name 6 did not answer";
        for (const char* text : {"ping", "home"}) {
            const MessagePtr got = po.RcvFromMbox(box.c_str(), 0);
            if (!got.Ok() || !(got->GetDataStr() == bStr(text)))
                return ::testing::AssertionFailure() << after << ": the letter \"" << text << "\" did not come back";
        }
        const std::string base = sys.Path() + "/hvpo" + std::to_string(checks);
        ChildProcess client({PoBin(), "-w", "10", "can-talk", box}, {{"HV_SYSTEM_DIR", sys.Path()},
                                                                       {"MXRHOSTNAME", "NODEA"}},
                            base + ".out", base + ".err");
        if (const int rc = client.Wait(15000); rc != 0)
            return ::testing::AssertionFailure() << after << ": a client process got " << rc << ": " << client.Err();
        return ::testing::AssertionSuccess();
    }
    // The local host receiver sends a letter into box from inside the
    // manager and answers, through a connection of its own.
    bool LocalHostSends(const std::string& box) {
        SynchPipeHead c{bStr(GetMxrPipeName())};
        if (c.Initialize() != 0) return false;
        BaseMsgPtr send(new PostOfficeSendToMboxAsynchReqMsg(PostOfficeAddr(), bStr(box.c_str()),
                                                             BaseMsgPtr(new Message("home"))));
        BaseMsgPtr req(new LocalHostReliableMessageHomeReqMsg(
            BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRLOCALHOST)), send));
        if (c.SynchWrite(req) != 0) return false;
        for (;;) {
            pollfd p{c.GetFileDscrpt(), POLLIN, 0};
            if (::poll(&p, 1, 10000) != 1) return false;
            BaseMsgPtr got;
            if (c.SynchRead(got) == -2) return false;
            if (const LocalHostReliableMessageHomeRspMsgPtr rsp(got); rsp.Ok()) return rsp->GetRetVal() == 1;
        }
    }
    ::testing::AssertionResult Bounded(const std::string& after) {
        const pid_t pid = manager->child.Pid();
        // Generous: the sanitizer keeps freed memory for a while.
        const long rss = VmRssKb(pid);
        if (rss < 0 || rss > baseRssKb + 768 * 1024)
            return ::testing::AssertionFailure() << after << ": the manager holds " << rss << " kB (at start "
                                                 << baseRssKb << ")";
        // Every connection of the row has gone.
        if (!WaitUntil([&] { return Descriptors(pid) <= baseFds; }, 10000))
            return ::testing::AssertionFailure() << after << ": " << Descriptors(pid) << " descriptors (at start "
                                                 << baseFds << ")";
        if (!manager->child.Running()) return ::testing::AssertionFailure() << after << ": the manager is gone";
        return ::testing::AssertionSuccess();
    }
};

// One hostile input: what the raw peer does, and what must have happened
// to it (empty: nothing in particular).
struct Row {
    std::string what;
    std::function<::testing::AssertionResult(RawPeer&, HostileInput&)> run;
};

::testing::AssertionResult Sent(bool ok) {
    return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the raw peer could not write";
}

// A create request whose mailbox name is marked, and where the name's
// length starts in its wire form.
Bytes CreateRequest(const std::string& name, size_t* lengthAt) {
    BaseMsgPtr req(new PostOfficeCreateMailBoxReqMsg(PostOfficeAddr(), bStr(name.c_str())));
    const Bytes stream = StreamOf(BasePtr(req));
    *lengthAt = stream.find(name) - 1;  // a name under 128 characters: one length byte
    return stream;
}

// A class code in the pointer field of a local host request: the field's
// object replaced by the code and a few zero bytes.
Bytes CodeInPointerField(int code) {
    const std::string mark = "POINTEE-MARK";
    MessagePtr inner(new Message(mark.c_str()));
    const Bytes innerStream = StreamOf(BasePtr(inner));
    BaseMsgPtr req(new LocalHostReliableMessageHomeReqMsg(
        BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRLOCALHOST)), BaseMsgPtr(inner)));
    Bytes stream = StreamOf(BasePtr(req));
    const size_t at = stream.find(innerStream);
    const Bytes object = CodeBytes(code) + Bytes(16, '\0');
    stream.replace(at, innerStream.size(), object);
    // The length word before the object counts its bytes.
    const int len = static_cast<int>(object.size());
    for (int i = 0; i < 4; ++i) stream[at - 4 + i] = static_cast<char>((len >> (8 * i)) & 0xFF);
    return stream;
}

// A create request from `from` whose to-address field holds a letter (an
// object of another class than an address).
Bytes RequestToALetter(const BaseAddrPtr& from) {
    BaseMsgPtr req(new PostOfficeCreateMailBoxReqMsg(PostOfficeAddr(), bStr("wrong-to-box")));
    req->SetFrmAddr(from);
    Bytes stream = StreamOf(BasePtr(req));
    const Bytes to = StreamOf(BasePtr(PostOfficeAddr()));
    const size_t at = stream.find(to);
    const Bytes object = StreamOf(BasePtr(new Message("not an address")));
    stream.replace(at, to.size(), object);
    const int len = static_cast<int>(object.size());
    for (int i = 0; i < 4; ++i) stream[at - 4 + i] = static_cast<char>((len >> (8 * i)) & 0xFF);
    return stream;
}



// The blocking client's next answer of class A (other messages skipped), or
// null after 10 s.
template <class APtr>
APtr AnswerOf(SynchPipeHead& c) {
    for (;;) {
        pollfd p{c.GetFileDscrpt(), POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) return APtr();
        BaseMsgPtr got;
        if (c.SynchRead(got) == -2) return APtr();
        if (const APtr a(got); a.Ok()) return a;
    }
}

enum class RowSet { Malformed, ClassCodes, Answers };

std::vector<Row> Rows(RowSet set) {
    std::vector<Row> rows;
    const bool classCodes = set == RowSet::ClassCodes;
    if (classCodes) {
        for (int code : RegisteredCodes()) {
            rows.push_back({"class code " + std::to_string(code) + " at the top of a pipe message",
                            [code](RawPeer& peer, HostileInput&) {
                                const Bytes object = CodeBytes(code) + Bytes(8, '\0');
                                return Sent(peer.Introduce() && peer.WriteAll(PacketsOf(object, 2)));
                            }});
            rows.push_back({"class code " + std::to_string(code) + " inside a pointer field",
                            [code](RawPeer& peer, HostileInput&) {
                                return Sent(peer.Introduce() && peer.WriteAll(PacketsOf(CodeInPointerField(code), 2)));
                            }});
        }
        return rows;
    }
    if (set == RowSet::Answers) {
    rows.push_back({"a request whose to-address is of another class", [](RawPeer&, HostileInput& t) {
                        // Its sender waits for an answer: it gets the error answer.
                        SynchPipeHead c{bStr(GetMxrPipeName())};
                        if (c.Initialize() != 0) return ::testing::AssertionFailure() << "no blocking client";
                        hv::strbuf d{};
                        for (Bytes pkt : PacketsOf(RequestToALetter(c.GetBaseAddrPtr()), 900)) {
                            d = hv::strbuf{0, static_cast<int>(pkt.size()), pkt.data()};
                            if (hv::putmsg(c.GetFileDscrpt(), nullptr, &d, 0) != 0) return Sent(false);
                        }
                        if (!AnswerOf<BaseErrMsgPtr>(c).Ok())
                            return ::testing::AssertionFailure() << "no error answer:\n"
                                                                 << t.manager->child.Err().substr(0, 4000);
                        return ::testing::AssertionSuccess();
                    }});
        return rows;
    }
    rows.push_back({"a truncated request", [](RawPeer& peer, HostileInput&) {
                        size_t at = 0;
                        const Bytes whole = CreateRequest("cut-short-box", &at);
                        return Sent(peer.Introduce() && peer.WriteAll(PacketsOf(whole.substr(0, whole.size() / 2), 2)));
                    }});
    rows.push_back({"an object longer than its fields", [](RawPeer& peer, HostileInput&) {
                        size_t at = 0;
                        const Bytes whole = CreateRequest("overlong-box", &at);
                        return Sent(peer.Introduce() && peer.WriteAll(PacketsOf(whole + Bytes(5000, '\x7F'), 2)));
                    }});
    for (const char* length : {"\x80\x80\x80\x80\x08", "\xFF\xFF\xFF\xFF\x0F", "\xFF\xFF\xFF\xFF\x07"}) {
        rows.push_back({"a string length of " + std::string(length[4] == '\x07' ? "2^31 - 1" : "2^31 or more"),
                        [length](RawPeer& peer, HostileInput&) {
                            size_t at = 0;
                            Bytes stream = CreateRequest("length-box", &at);
                            stream.replace(at, 1, Bytes(length, 5));
                            return Sent(peer.Introduce() && peer.WriteAll(PacketsOf(stream, 2)));
                        }});
    }
    rows.push_back({"a 6 MB letter", [](RawPeer& peer, HostileInput& t) {
                        const std::string before = t.manager->child.Err();
                        for (unsigned short p = 1; p <= 12289; ++p)
                            if (!peer.Write(RawPacket(3, p, 12289))) return Sent(false);
                        // Then a message behind it, to know all was read.
                        peer.Introduce();
                        const auto refused = [&] {
                            return t.manager->child.Err().find("refused message 3") != std::string::npos;
                        };
                        if (!WaitUntil(refused))
                            return ::testing::AssertionFailure() << "the letter was not refused";
                        if (!t.Healthy("the letter")) return ::testing::AssertionFailure() << "not served";
                        const std::string err = t.manager->child.Err().substr(before.size());
                        size_t reports = 0;
                        for (size_t at = err.find("12289"); at != std::string::npos; at = err.find("12289", at + 1))
                            ++reports;
                        if (reports != 1)
                            return ::testing::AssertionFailure() << reports << " reports:\n" << err.substr(0, 2000);
                        return ::testing::AssertionSuccess();
                    }});
    rows.push_back({"messages never ended, past the assembly mark", [](RawPeer& peer, HostileInput&) {
                        // Writing fails once the manager has hung up.
                        for (unsigned short id = 10; id < 20; ++id) {
                            bool wrote = true;
                            for (unsigned short p = 1; p < PipePktCtrl::MaxPktCnt && wrote; ++p)
                                wrote = peer.Write(RawPacket(id, p, PipePktCtrl::MaxPktCnt));
                            if (!wrote) break;
                        }
                        return peer.HungUp(10000) ? ::testing::AssertionSuccess()
                                                  : ::testing::AssertionFailure() << "the peer was not hung up";
                    }});
    rows.push_back({"a peer that never reads its answers", [](RawPeer& peer, HostileInput&) {
                        // Four mailboxes of 1 MB names make every listing 4 MB.
                        ProxyPostOffice po;
                        for (char c : {'a', 'b', 'c', 'd'})
                            if (po.CreateMailBox(bStr(std::string(1 << 20, c).c_str())) != Message::OKAY)
                                return ::testing::AssertionFailure() << "no long mailbox";
                        if (!peer.Introduce()) return Sent(false);
                        for (unsigned short id = 2; id < 40; ++id) {
                            BaseMsgPtr req(new PostOfficeDisplayMailBoxLstReqMsg(PostOfficeAddr()));
                            req->SetFrmAddr(BaseAddrPtr(new BaseAddr(bStr("NODEA"), ::getpid(), kRawTid)));
                            if (!peer.Send(BasePtr(req), id)) break;  // hung up meanwhile
                        }
                        const bool hungUp = peer.HungUp(20000);
                        for (char c : {'a', 'b', 'c', 'd'}) po.RemoveMailBox(bStr(std::string(1 << 20, c).c_str()));
                        return hungUp ? ::testing::AssertionSuccess()
                                      : ::testing::AssertionFailure() << "the peer was not hung up";
                    }});
    rows.push_back({"a client's letter too large for the manager", [](RawPeer&, HostileInput& t) {
                        // Refused before a byte is written; the connection serves on.
                        ProxyPostOffice po;
                        if (po.CreateMailBox("big") != Message::OKAY) return ::testing::AssertionFailure() << "no box";
                        const std::string before = t.manager->child.Err();
                        MessagePtr letter(new Message(std::string(6 << 20, 'L').c_str()));
                        if (const auto rc = po.SendToMbox("NODEA", "big", letter); rc != Message::INTERNALERR)
                            return ::testing::AssertionFailure() << "the send gave " << rc;
                        if (po.IsMboxEmpty("big") != Message::OKAY)
                            return ::testing::AssertionFailure() << "the connection does not serve on";
                        if (po.RemoveMailBox("big") != Message::OKAY)
                            return ::testing::AssertionFailure() << "not removed";
                        if (t.manager->child.Err() != before)
                            return ::testing::AssertionFailure() << "the manager saw some of it:\n"
                                                                 << t.manager->child.Err().substr(before.size(), 2000);
                        return ::testing::AssertionSuccess();
                    }});
    rows.push_back({"a forged pid in PipeInitMsg and PipeRegMsg", [](RawPeer& peer, HostileInput& t) {
                        const std::string before = t.manager->child.Err();
                        // The manager's pid 0, and a process that is not the peer.
                        const bool sent = peer.Send(BasePtr(new PipeInitMsg("NODEA", 0, 0, 520)), 1) &&
                                          peer.Send(BasePtr(new PipeRegMsg("NODEA", 0, 0, 100)), 2) &&
                                          peer.Send(BasePtr(new PipeRegMsg("NODEA", 1, 1, 100)), 3) &&
                                          peer.Send(BasePtr(new PipeRegMsg("FAR", 9, 9, 1)), 4);
                        if (!sent) return Sent(false);
                        if (!WaitUntil([&] {
                                const std::string err = t.manager->child.Err().substr(before.size());
                                return std::count(err.begin(), err.end(), '\n') >= 3;
                            }))
                            return ::testing::AssertionFailure() << "no refusals:\n"
                                                                 << t.manager->child.Err().substr(before.size());
                        // Still connected: served while the forger is there.
                        if (!t.Healthy("the forged pids, with the forger connected"))
                            return ::testing::AssertionFailure() << "not served";
                        const std::string err = t.manager->child.Err().substr(before.size());
                        // The kernel's pid of this process, taken when the connection was accepted.
                        if (err.find("the peer is pid " + std::to_string(::getpid())) == std::string::npos)
                            return ::testing::AssertionFailure() << "not held to its own pid:\n" << err;
                        if (err.find("FAR") != std::string::npos)
                            return ::testing::AssertionFailure() << "another host's address was refused:\n" << err;
                        return ::testing::AssertionSuccess();
                    }});
    return rows;
}

void RunRows(HostileInput& t, RowSet set) {
    for (const Row& row : Rows(set)) {
        SCOPED_TRACE(row.what);
        {
            RawPeer peer;
            ASSERT_TRUE(peer.ok) << "no raw connection";
            EXPECT_TRUE(row.run(peer, t));
            // Whatever it sent is read before the checks run.
            EXPECT_TRUE(t.Healthy(row.what));
        }
        EXPECT_TRUE(t.Bounded(row.what));
        if (::testing::Test::HasFatalFailure() || !t.manager->child.Running()) {
            ADD_FAILURE() << "the manager is gone:\n" << t.manager->child.Err().substr(0, 4000);
            return;
        }
    }
}

}  // namespace

TEST_F(HostileInput, MalformedOversizedAndMisbehavingPeersLeaveTheManagerServing) { RunRows(*this, RowSet::Malformed); }

// Every registered class code at the top of a pipe message and inside a
// pointer field: only messages decode at the top, a field only classes of its
// declared type, and nothing local-only (a second post office, an adapter
// that would close what its field names) is ever built.
TEST_F(HostileInput, EveryRegisteredClassCodeLeavesTheManagerServing) { RunRows(*this, RowSet::ClassCodes); }

// A letter of depth nested messages: requests without addresses, each
// holding the next; the innermost a Message.
BaseMsgPtr NestedLetter(int depth) {
    BaseMsgPtr letter(new Message("innermost"));
    for (int level = 1; level < depth; ++level)
        letter = BaseMsgPtr(new LocalHostReliableMessageHomeReqMsg(BaseAddrPtr(), letter));
    return letter;
}

int DepthOf(BaseMsgPtr letter) {
    int depth = 0;
    for (; letter.Ok(); ++depth) {
        const LocalHostReliableMessageHomeReqMsgPtr outer(letter);
        if (!outer.Ok()) return depth + 1;
        letter = outer->GetTheMsg();
    }
    return depth;
}

// An object's stream with the stream inner in place of the one field that
// holds the object whose stream is mark (its length word rewritten).
Bytes WithField(const Bytes& outer, const Bytes& mark, const Bytes& inner) {
    const size_t at = outer.find(mark);
    Bytes out = outer.substr(0, at - 4);
    const auto len = static_cast<std::uint32_t>(inner.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((len >> (8 * i)) & 0xFF));
    return out + inner + outer.substr(at + mark.size());
}

// The binary stream of a request putting a letter of depth nested messages
// into the mailbox box, built byte by byte as NestedLetter would be written,
// so also past the depth the encoder refuses.
Bytes CraftedDeepRequest(const std::string& box, int depth) {
    const BaseMsgPtr innermost(new Message("innermost"));
    const Bytes mark = StreamOf(BasePtr(innermost));
    const Bytes level = StreamOf(BasePtr(new LocalHostReliableMessageHomeReqMsg(BaseAddrPtr(), innermost)));
    Bytes letter = mark;
    for (int i = 1; i < depth; ++i) letter = WithField(level, mark, letter);
    const Bytes request = StreamOf(
        BasePtr(new PostOfficeSendToMboxAsynchReqMsg(PostOfficeAddr(), bStr(box.c_str()), innermost)));
    return WithField(request, mark, letter);
}

// Letters nested as deep as objects may nest, and one level more, put into a
// mailbox by a blocking client, then fetched back through it: written by the
// client (which refuses to write one level more), crafted byte by byte in
// the binary form, and as an s-expression; the manager's gathering reader
// reads them (a few kilobytes, several packets). The letter inside the
// request is its first level, in every form.
TEST_F(HostileInput, ALetterNestedToTheBoundIsDeliveredAndOneLevelMoreIsRefused) {
    ProxyPostOffice po;
    ASSERT_EQ(po.CreateMailBox("deep"), Message::OKAY);
    enum class Form { Written, Crafted, Sexpr };
    struct Case {
        Form form;
        int depth;
    };
    constexpr int kBound = MxrMaxObjectDepth;
    for (const Case c : {Case{Form::Written, kBound}, Case{Form::Written, kBound + 1}, Case{Form::Crafted, kBound},
                         Case{Form::Crafted, kBound + 1}, Case{Form::Sexpr, kBound}, Case{Form::Sexpr, kBound + 1}}) {
        const bool delivered = c.depth <= kBound;
        const char* form = c.form == Form::Written ? "written" : c.form == Form::Crafted ? "crafted" : "s-expression";
        SCOPED_TRACE(std::string(form) + ", depth " + std::to_string(c.depth));
        SynchPipeHead client{bStr(GetMxrPipeName())};
        ASSERT_EQ(client.Initialize(), 0);
        BaseMsgPtr send(new PostOfficeSendToMboxAsynchReqMsg(PostOfficeAddr(), bStr("deep"), NestedLetter(c.depth)));
        const std::string before = manager->child.Err();
        if (c.form == Form::Written) {
            // Past the bound the client refuses to write it at all.
            ASSERT_EQ(client.SynchWrite(send), delivered ? 0 : -1);
        } else {
            // The s-expression's tree: the request's fields are the first level, as on the wire.
            const Bytes stream = c.form == Form::Crafted ? CraftedDeepRequest("deep", c.depth)
                                                        : StreamOf(BasePtr(send->GetIoItemFrom()));
            const std::vector<Bytes> pkts = PacketsOf(stream, 700);
            ASSERT_GT(pkts.size(), 1u);
            for (Bytes pkt : pkts) {
                hv::strbuf d{0, static_cast<int>(pkt.size()), pkt.data()};
                ASSERT_EQ(hv::putmsg(client.GetFileDscrpt(), nullptr, &d, 0), 0);
            }
            if (!delivered) {
                // The manager refuses it.
                ASSERT_TRUE(WaitUntil([&] {
                    return manager->child.Err().find("message generation failed", before.size()) != std::string::npos;
                })) << manager->child.Err().substr(before.size());
            }
        }
        if (!delivered) {
            EXPECT_EQ(po.IsMboxEmpty("deep"), Message::OKAY);
            continue;
        }
        BaseMsgPtr rcv(new PostOfficeRcvFromMboxReqMsg(PostOfficeAddr(), bStr("deep"), 0));
        ASSERT_EQ(client.SynchWrite(rcv), 0);
        const PostOfficeRcvFromMboxRspMsgPtr got = AnswerOf<PostOfficeRcvFromMboxRspMsgPtr>(client);
        ASSERT_TRUE(got.Ok()) << manager->child.Err().substr(before.size(), 3000);
        EXPECT_EQ(DepthOf(got->GetMsgPtr()), c.depth);
    }
    EXPECT_TRUE(Healthy("the deep letters"));
}

// Through the manager's gathering reader to the blocking client: a request
// whose to-address is no address gets the error answer its sender waits for.
TEST_F(HostileInput, ARequestToNoAddressIsAnswered) { RunRows(*this, RowSet::Answers); }
