// Two real processes over one message pipe: a child sends 10,000 messages of
// 1 byte to 200 KB (many of them several packets long) to a world in this
// process, which echoes every one; then, while the world does not read, the
// child queues some more and is killed with SIGKILL. Everything it queued
// before it died is delivered, in order, and the hang-up is seen within one
// turn of the last message.
//
// The world's side is a small packet adapter made for the test from the poll
// layer, getmsg/putmsg and the packet controller: a full pipe (would block)
// keeps the packets for later, never a hang-up.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "BaseMsgRcvr.h"
#include "BasePollAdptr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "MsgIo.h"
#include "PipePktBufr.h"
#include "PipePktCtrl.h"
#include "RuntimeTestSupport.h"
#include "bStr.h"
#include "platform/NamedPipe.h"

namespace {

constexpr int kEchoed = 10000;  // sent and echoed
constexpr int kLast = 40;       // queued before the SIGKILL, not echoed
constexpr int kPacket = 520;

// The last ones together fit in the socket's buffer (the child never blocks
// on them); one of them spans three packets.
int SizeOf(int n) {
    if (n >= kEchoed) return n == kEchoed + 7 ? 1300 : 1 + (n * 7919) % 500;
    return n % 97 == 0 ? 200 * 1024 : 1 + (n * 7919) % 3000;
}

std::string PayloadOf(int n) {
    std::string s(static_cast<std::size_t>(SizeOf(n)), 'a');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + (n * 31 + i) % 26);
    return s;
}

}  // namespace

// One numbered message with a payload of text.
class LoopEchoMsg : public BaseMsg {
    MXR_CLASS(LoopEchoMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("n", n), MXR_FIELD("payload", payload));

public:
    LoopEchoMsg() = default;
    explicit LoopEchoMsg(int n_) : n(n_), payload(PayloadOf(n_).c_str()) {}
    int n = 0;
    bStr payload;
};
MXR_COMPANIONS(LoopEchoMsg);
MXR_CLASS_DEFINE(LoopEchoMsg);

namespace {

// The packets of one message in the pointer form (class code, then fields).
std::deque<std::string> PacketsOf(BasePtr msg, unsigned short id) {
    PipePktCtrl c;
    c.SetPktCtrlId(id);
    _serialize(c, msg);
    std::deque<std::string> out;
    c.SetOffset(0);
    for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr())
        out.emplace_back(p->GetSendRecvAddr(), static_cast<std::size_t>(p->GetSendSize()));
    return out;
}

// Collects packets into messages (the packets of one message come in a row).
class Assembler {
public:
    // 1 with *msg set when the packet completed a message, 0 when more are
    // to come, -1 for a packet that does not fit.
    int Put(const char* bytes, int len, BasePtr* msg) {
        PipePktBufr* pkt = new PipePktBufr();
        BasePktBufrPtr p(pkt);
        std::memcpy(pkt->GetSendRecvAddr(), bytes, static_cast<std::size_t>(len));
        if (pkt->SetRecvdSize(len) != 0) return -1;
        if (ctrl.GetPtr() == nullptr)
            ctrl = new PipePktCtrl(p);
        else
            ctrl->PutPktBufr(p);
        if (ctrl->GetBadFlg() != 0) return -1;
        if (!ctrl->AllThere()) return 0;
        ctrl->SetOffset(0);
        BasePtr back;
        const int rc = _serialize(*ctrl.GetPtr(), back);
        ctrl = PipePktCtrlPtr();
        if (rc != 0) return -1;
        *msg = back;
        return 1;
    }

private:
    PipePktCtrlPtr ctrl;
};

// The world's end of the pipe.
class PacketPipeAdptr : public BasePollAdptr {
public:
    explicit PacketPipeAdptr(int fd_) : fd(fd_) {}
    void PopulatePollInfo(hv::pollfd* p) override {
        p->fd = hungUp ? -1 : fd;
        p->events = static_cast<short>((readPaused ? 0 : POLLIN) | (outgoing.empty() ? 0 : POLLOUT));
    }
    enWork ProcessRevents(hv::pollfd* p) override {
        if (hungUp || p->revents == 0) return NOWORK;
        if (p->revents & POLLOUT) Flush();
        if (p->revents & POLLIN) {
            // A bounded share per turn, so that timers and dispatch keep up.
            char buf[kPacket];
            for (int i = 0; i < 256; ++i) {
                hv::strbuf data{kPacket, 0, buf};
                if (hv::getmsg(fd, nullptr, &data, nullptr) == -1) {
                    if (errno == EAGAIN) break;
                    HangUp();
                    return DIDWORK;
                }
                BasePtr msg;
                const int rc = assembler.Put(buf, data.len, &msg);
                EXPECT_GE(rc, 0) << "a packet that does not fit";
                if (rc == 1) {
                    ++received;
                    lastReceiveTurn = turn;
                    LoopEchoMsgPtr echo(msg);
                    echo->SetToAddr(BaseAddrPtr(target));
                    BaseMsgPtr(echo).Send();
                }
            }
        } else if (p->revents & (POLLHUP | POLLERR)) {
            HangUp();
        }
        return DIDWORK;
    }
    void Queue(BasePtr msg) {
        for (std::string& pkt : PacketsOf(msg, nextId++)) outgoing.push_back(std::move(pkt));
        Flush();
    }
    void Flush() {
        while (!outgoing.empty() && !hungUp) {
            std::string& pkt = outgoing.front();
            hv::strbuf data{0, static_cast<int>(pkt.size()), pkt.data()};
            if (hv::putmsg(fd, nullptr, &data, 0) == -1) {
                if (errno == EAGAIN) {
                    ++wouldBlock;  // kept, tried again when writable
                    return;
                }
                // The peer is gone: what is still to be read comes first.
                return;
            }
            outgoing.pop_front();
        }
    }
    void HangUp() {
        hungUp = true;
        hangUpTurn = turn;
        outgoing.clear();
    }

    int fd;
    DynamicAddrPtr target;
    Assembler assembler;
    std::deque<std::string> outgoing;
    unsigned short nextId = 1;
    int received = 0;
    int wouldBlock = 0;
    bool hungUp = false;
    bool readPaused = false;
    int turn = 0;
    int lastReceiveTurn = -1;
    int hangUpTurn = -1;
};

// Takes each message, checks its number and payload, and echoes it until the
// echoed ones are done.
class EchoRcvr : public BaseMsgRcvr {
public:
    enMsgResult MsgHdlr(const BaseMsgPtr& m, const BasePktCtrlPtr&) override {
        LoopEchoMsgPtr msg(m);
        if (!msg.Ok()) return NOTPROCESSED;
        if (msg->n != next || std::string(msg->payload.StrVal()) != PayloadOf(msg->n)) ++bad;
        next = msg->n + 1;
        if (msg->n < kEchoed) pipe->Queue(BasePtr(msg));
        // The last echo is on its way: leave what comes next in the pipe.
        if (msg->n == kEchoed - 1) pipe->readPaused = true;
        return PROCESSED;
    }
    PacketPipeAdptr* pipe = nullptr;
    int next = 0;
    int bad = 0;
};

// The child: sends, reads the echoes on a thread, sends the last ones, tells
// the parent (status byte 'k', or 'x' when an echo was wrong) and waits to be killed.
[[noreturn]] void ChildMain(int fd, int statusFd) {
    std::atomic<int> echoed{0};
    std::atomic<bool> wrong{false};
    std::thread reader([&] {
        Assembler assembler;
        char buf[kPacket];
        while (echoed < kEchoed) {
            hv::strbuf data{kPacket, 0, buf};
            if (hv::getmsg(fd, nullptr, &data, nullptr) == -1) {
                wrong = true;
                return;
            }
            BasePtr msg;
            const int rc = assembler.Put(buf, data.len, &msg);
            if (rc < 0) {
                wrong = true;
                return;
            }
            if (rc == 1) {
                LoopEchoMsgPtr echo(msg);
                if (!echo.Ok() || echo->n != echoed || std::string(echo->payload.StrVal()) != PayloadOf(echo->n))
                    wrong = true;
                ++echoed;
            }
        }
    });
    unsigned short id = 1;
    auto send = [&](int n) {
        for (std::string& pkt : PacketsOf(BasePtr(new LoopEchoMsg(n)), id++)) {
            hv::strbuf data{0, static_cast<int>(pkt.size()), pkt.data()};
            if (hv::putmsg(fd, nullptr, &data, 0) != 0) ::_exit(3);
        }
    };
    for (int n = 0; n < kEchoed; ++n) send(n);
    reader.join();
    // Queued while the parent does not read: a write that would block means
    // the test's assumption (they fit) does not hold.
    portlib::platform::PipeSetBlocking(fd, false);
    char status = wrong ? 'x' : 'k';
    for (int n = kEchoed; n < kEchoed + kLast; ++n) {
        for (std::string& pkt : PacketsOf(BasePtr(new LoopEchoMsg(n)), id++)) {
            hv::strbuf data{0, static_cast<int>(pkt.size()), pkt.data()};
            if (hv::putmsg(fd, nullptr, &data, 0) != 0) status = 'f';
        }
    }
    (void)!::write(statusFd, &status, 1);
    for (;;) ::pause();
}

TEST(TwoProcessLoop, EveryQueuedMessageIsDeliveredThenTheHangUp) {
    RuntimeScope scope("NODEA", 1);
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv), 0);
    int status[2];
    ASSERT_EQ(::pipe2(status, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(sv[0]);
        ::close(status[0]);
        ChildMain(sv[1], status[1]);
    }
    ::close(sv[1]);
    ::close(status[1]);
    ASSERT_EQ(portlib::platform::PipeSetBlocking(sv[0], false), 0);
    ::fcntl(status[0], F_SETFL, O_NONBLOCK);

    BaseWorld world;
    world.SetDfltPollTimer(50);
    EchoRcvr rcvr;
    BasePollAdptrPtr holder(new PacketPipeAdptr(sv[0]));
    auto* pipe = static_cast<PacketPipeAdptr*>(holder.GetPtr());
    pipe->target = rcvr.GetAddrPtr();
    rcvr.pipe = pipe;
    pipe->Register();

    bool killed = false;
    char childStatus = 0;
    int queuedAtDeath = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
    while (!pipe->hungUp && std::chrono::steady_clock::now() < deadline) {
        ++pipe->turn;
        world.Run();
        if (!killed && ::read(status[0], &childStatus, 1) == 1) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            killed = true;
            EXPECT_TRUE(pipe->readPaused);
            EXPECT_EQ(pipe->received, kEchoed);
            ::ioctl(sv[0], FIONREAD, &queuedAtDeath);
            pipe->readPaused = false;
        }
    }
    if (!killed) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    // What was queued but not yet dispatched goes in the following turns.
    for (int i = 0; i < 1000 && world.GetMsgList().GetItemCnt() > 0; ++i) world.Run();

    EXPECT_TRUE(killed);
    EXPECT_EQ(childStatus, 'k') << "x: the child saw a wrong or missing echo; f: its last messages did not fit";
    EXPECT_GT(queuedAtDeath, 0);
    ASSERT_TRUE(pipe->hungUp);
    EXPECT_EQ(pipe->received, kEchoed + kLast);
    EXPECT_EQ(rcvr.next, kEchoed + kLast);
    EXPECT_EQ(rcvr.bad, 0);
    EXPECT_LE(pipe->hangUpTurn - pipe->lastReceiveTurn, 1) << "hang-up seen late";
    pipe->DeRegister();
    ::close(status[0]);
    portlib::platform::PipeClose(sv[0]);
}

}  // namespace
