// The manager's loop and the pipe transport against the machine's floor.
//
// Each exchange runs through a real hvmanager (our side) and, in the same
// run, as the same packets through a raw relay: a single-threaded process
// with a poll(2) loop over Unix SOCK_SEQPACKET sockets that reads every
// packet of a request and writes the packets of its answer, encoded
// beforehand exactly as the manager encodes them. Blocks of ours and of the
// relay alternate (the order swaps every round); each block gives a time per
// exchange, and the figures are the medians over the rounds.
//
//   isempty      IsMboxEmpty round trip (1 packet each way)
//   letter1k     SendToMbox of a 1 KB letter and RcvFromMbox of it
//   letter1m     the same with a 1 MiB letter
//   idle0/50/500 IsMboxEmpty while 0, 50, 500 idle clients are connected
//                (ratio: against idle0)
//   codec1k      encode a 1 KB letter and cut it into packets as the client
//                sends them, receive them as the manager's reader does,
//                reassemble and decode; beside memcpy of its wire bytes
//
// The exchanges run twice: with the benchmark, the manager and the relay
// held on one processor, and placed by the scheduler.
//
// Allocations: operator new is counted in this program. The client's
// allocations per exchange come from its own count; the manager's from a
// copy of the manager's world that this program runs in a child process
// (the same MxrWorld and local host as hvmanager's), counting into shared memory.
//
// Options: --rounds N (default 7), --quick (fewer exchanges per block),
// --codec (only the codec line), --probe N: only N IsMboxEmpty calls through hvmanager, for counting its
// system calls (README: HV_BENCH_MANAGER_WRAP="strace -c -f -o FILE"); --probe-1m N: the same with N
// 1 MiB letter pairs; --probe-1k N: with N 1 KB letter pairs.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "AllocCounter.h"
#include "BaseAddr.h"
#include "BenchManager.h"
#include "LogicalAddr.h"
#include "LocalHost.h"
#include "MxrWorld.h"
#include "Message.h"
#include "PipeHead.h"
#include "PipePktBufr.h"
#include "PipePktCtrl.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeRcvFromMboxReqMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "ProxyPostOffice.h"
#include "platform/NamedPipe.h"

namespace {

using Clock = std::chrono::steady_clock;
using Packets = std::vector<std::string>;

constexpr int kIdleMax = 500;

int rounds = 7;
bool quick = false;

// ---- encoding as the client and the manager do it -----------------------

Packets PacketsOf(const BaseMsgPtr& msg, unsigned short id) {
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    c.SetPktCtrlId(id);
    msg->Serialize(c);
    c.SetOffset(0);
    Packets out;
    for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr())
        out.emplace_back(p->GetSendRecvAddr(), static_cast<size_t>(p->GetSendSize()));
    return out;
}

unsigned short U16(const char* at) {
    return static_cast<unsigned short>(static_cast<unsigned char>(at[0]) | (static_cast<unsigned char>(at[1]) << 8));
}

BaseAddrPtr PostOffice() { return BaseAddrPtr(new LogicalAddr(bStr("BENCH"), LogicalAddr::MXRPOSTOFFICE)); }

std::string Text(size_t n) {
    std::string s(n, 'x');
    for (size_t i = 0; i < n; i += 97) s[i] = static_cast<char>('a' + (i / 97) % 26);
    return s;
}

// One request and its answer, as packets.
struct Exchange {
    Packets request;
    Packets answer;
};

BaseAddrPtr Client() { return BaseAddrPtr(new BaseAddr()); }

Exchange IsEmptyExchange(const char* mbox) {
    auto* req = new PostOfficeIsMboxEmptyReqMsg(PostOffice(), mbox);
    req->SetFrmAddr(Client());
    BaseMsgPtr r(req);
    BaseMsgPtr a(new PostOfficeIsMboxEmptyRspMsg(*req));
    return {PacketsOf(r, 1), PacketsOf(a, 1)};
}

std::pair<Exchange, Exchange> LetterExchanges(const char* mbox, const std::string& text, unsigned short id) {
    MessagePtr letter(new Message(text.c_str()));
    auto* send = new PostOfficeSendToMboxReqMsg(PostOffice(), mbox, letter);
    send->SetFrmAddr(Client());
    BaseMsgPtr s(send);
    BaseMsgPtr sa(new PostOfficeSendToMboxRspMsg(*send));
    auto* rcv = new PostOfficeRcvFromMboxReqMsg(PostOffice(), mbox, 0);
    rcv->SetFrmAddr(Client());
    BaseMsgPtr r(rcv);
    auto* rsp = new PostOfficeRcvFromMboxRspMsg(*rcv);
    rsp->SetMsgPtr(letter);
    BaseMsgPtr ra(rsp);
    return {{PacketsOf(s, id), PacketsOf(sa, id)}, {PacketsOf(r, id + 1), PacketsOf(ra, id + 1)}};
}

// ---- the raw relay --------------------------------------------------------

// Answers are found by the request's message number: each request of the
// benchmark is encoded with a number of its own.
using AnswerTable = std::map<int, Packets>;

void AddAnswer(AnswerTable& table, const Exchange& e) {
    const int key = U16(e.request.back().data() + 2);
    if (table.count(key) != 0) {
        std::fprintf(stderr, "two requests look alike to the relay\n");
        std::abort();
    }
    table[key] = e.answer;
}

bool SendAll(int fd, const Packets& pkts) {
    for (const std::string& p : pkts)
        if (::send(fd, p.data(), p.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(p.size())) return false;
    return true;
}

[[noreturn]] void RunRelay(int listenFd, const AnswerTable& table) {
    std::vector<pollfd> fds{{listenFd, POLLIN, 0}};
    char buf[PipePktBufr::HeaderSize + PipePktBufr::DATASIZE];
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            const ssize_t n = ::recv(fds[i].fd, buf, sizeof buf, 0);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            if (n < PipePktBufr::HeaderSize || U16(buf + 4) != U16(buf + 6)) continue;
            auto it = table.find(U16(buf + 2));
            if (it != table.end()) SendAll(fds[i].fd, it->second);
        }
        if (fds[0].revents & POLLIN) {
            const int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) fds.push_back({c, POLLIN, 0});
        }
        fds.erase(std::remove_if(fds.begin() + 1, fds.end(), [](const pollfd& p) { return p.fd < 0; }), fds.end());
    }
}

class Relay {
public:
    Relay(const std::string& dir, const AnswerTable& table) : path_(dir + "/relay.sock") {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path_.c_str());
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 1024) != 0)
            std::abort();
        pid_ = ::fork();
        if (pid_ == 0) RunRelay(fd, table);
        ::close(fd);
    }
    ~Relay() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    int Connect() const {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path_.c_str());
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
        return fd;
    }
    pid_t Pid() const { return pid_; }

private:
    std::string path_;
    pid_t pid_ = -1;
};

// One exchange over a raw connection: the request's packets out, the
// answer's packets in; false when the answer did not come whole.
bool RawExchange(int fd, const Exchange& e) {
    if (!SendAll(fd, e.request)) return false;
    char buf[PipePktBufr::HeaderSize + PipePktBufr::DATASIZE];
    for (size_t i = 0; i < e.answer.size(); ++i) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n != static_cast<ssize_t>(e.answer[i].size())) return false;
    }
    return true;
}

// ---- timing ---------------------------------------------------------------

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Microseconds per call of op over a block of n calls.
double Block(int n, const std::function<bool()>& op, int* failures) {
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i)
        if (!op()) ++*failures;
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
}

struct Line {
    std::string name;
    int n;
    std::function<bool()> ours;
    std::function<bool()> base;
    std::vector<double> oursUs{}, baseUs{};
    int failures = 0;
};

void RunLines(std::vector<Line>& lines) {
    for (int r = 0; r < rounds; ++r) {
        for (Line& l : lines) {
            // Warm-up calls of both sides, then the two blocks in alternating order.
            Block(std::max(1, l.n / 10), l.ours, &l.failures);
            Block(std::max(1, l.n / 10), l.base, &l.failures);
            if (r % 2 == 0) {
                l.oursUs.push_back(Block(l.n, l.ours, &l.failures));
                l.baseUs.push_back(Block(l.n, l.base, &l.failures));
            } else {
                l.baseUs.push_back(Block(l.n, l.base, &l.failures));
                l.oursUs.push_back(Block(l.n, l.ours, &l.failures));
            }
        }
    }
}

void PrintLines(const char* title, const std::vector<Line>& lines, const char* baseName) {
    std::printf("\n%s\n  %-12s %12s %12s %8s\n", title, "exchange", "ours us", baseName, "ratio");
    for (const Line& l : lines) {
        const double o = Median(l.oursUs), b = Median(l.baseUs);
        std::printf("  %-12s %12.2f %12.2f %7.2fx%s\n", l.name.c_str(), o, b, b > 0 ? o / b : 0.0,
                    l.failures ? "  FAILURES" : "");
    }
    std::fflush(stdout);
}

// ---- placement ------------------------------------------------------------

void Place(const std::vector<pid_t>& pids, int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (cpu >= 0) {
        CPU_SET(cpu, &set);
    } else {
        for (int i = 0; i < CPU_SETSIZE; ++i) CPU_SET(i, &set);
    }
    for (pid_t p : pids) ::sched_setaffinity(p, sizeof set, &set);
}

// ---- the exchanges --------------------------------------------------------

struct Setup {
    Exchange isEmpty;
    std::pair<Exchange, Exchange> letter1k, letter1m;
    std::string text1k, text1m;
};

std::vector<Line> ExchangeLines(ProxyPostOffice& po, const Setup& s, int rawFd) {
    const int scale = quick ? 4 : 1;
    std::vector<Line> lines;
    lines.push_back({"isempty", 4000 / scale, [&po] { return po.IsMboxEmpty("rt") == Message::OKAY; },
                     [&s, rawFd] { return RawExchange(rawFd, s.isEmpty); }});
    lines.push_back({"letter1k", 2000 / scale,
                     [&po, &s] {
                         return po.SendToMbox("BENCH", "lb", MessagePtr(new Message(s.text1k.c_str()))) ==
                                    Message::OKAY &&
                                po.RcvFromMbox("lb", 0)->GetLastErr() == Message::OKAY;
                     },
                     [&s, rawFd] {
                         return RawExchange(rawFd, s.letter1k.first) && RawExchange(rawFd, s.letter1k.second);
                     }});
    lines.push_back({"letter1m", quick ? 2 : 6,
                     [&po, &s] {
                         return po.SendToMbox("BENCH", "lb", MessagePtr(new Message(s.text1m.c_str()))) ==
                                    Message::OKAY &&
                                po.RcvFromMbox("lb", 0)->GetLastErr() == Message::OKAY;
                     },
                     [&s, rawFd] {
                         return RawExchange(rawFd, s.letter1m.first) && RawExchange(rawFd, s.letter1m.second);
                     }});
    return lines;
}

int ConnectIdle() {
    using namespace portlib::platform;
    int fd = -1;
    if (PipeConnect(GetMxrPipeName(), {5000, PipeReadMode::Message, false}, &fd) != 0) std::abort();
    std::size_t w = 0;
    PipeWrite(fd, PipeHead::ConnectRecord, PipeHead::ConnectRecordLen, &w);
    return fd;
}

// IsMboxEmpty with 0, 50 and 500 idle clients: each count against none.
void IdleLines(ProxyPostOffice& po) {
    const int n = quick ? 1000 : 4000;
    std::vector<int> idle;
    auto call = [&po] { return po.IsMboxEmpty("rt") == Message::OKAY; };
    std::map<int, std::vector<double>> us;
    int failures = 0;
    for (int r = 0; r < rounds; ++r) {
        // 0, 50, 500 going up, then 500, 50, 0 coming down.
        const int order[] = {0, 50, kIdleMax};
        for (int k = 0; k < 3; ++k) {
            const int want = r % 2 == 0 ? order[k] : order[2 - k];
            while (static_cast<int>(idle.size()) < want) idle.push_back(ConnectIdle());
            while (static_cast<int>(idle.size()) > want) {
                portlib::platform::PipeClose(idle.back());
                idle.pop_back();
            }
            Block(n / 10, call, &failures);  // the manager has taken the new clients in
            us[want].push_back(Block(n, call, &failures));
        }
    }
    for (int fd : idle) portlib::platform::PipeClose(fd);
    const double none = Median(us[0]);
    std::printf("\nIsMboxEmpty with idle clients connected (scheduler's placement)\n");
    for (auto& [cnt, v] : us)
        std::printf("  idle%-8d %12.2f us %7.2fx of idle0%s\n", cnt, Median(v), none > 0 ? Median(v) / none : 0.0,
                    failures ? "  FAILURES" : "");
    std::fflush(stdout);
}

// What a reader of the pipe does with each packet: reads a packet that
// continues the message in assembly straight into its controller's gathered
// bytes, one that may start a message into a collecting buffer that the
// message's controller takes over (going on from its packet as if read into
// it when the packet turns out not to be such a one); any other into its
// packet (the last one again when nobody kept it), and adds it to the
// message.
struct CodecReceiver {
    BasePktBufrPtr pkt;
    PipePktCtrlPtr in;
    PipePktCtrl* maker = nullptr;
    bool startedMany = false;  // the last packet numbered 1 started a message of several
};

// Notes what a packet numbered 1 (count bytes at bytes) tells of its message.
void NoteFirst(CodecReceiver* r, const char* bytes, int count) {
    if (count < PipePktBufr::HeaderSize) return;
    const PipePktBufr::WireHeader h = PipePktBufr::ReadHeader(bytes);
    if (h.pktId == 1) r->startedMany = h.pktCnt > 1;
}

// The pipe read of one message: its bytes into [to, to + room); what it gave.
[[gnu::noinline]] int PipeRead(char* to, int room, const char* bytes, int count) {
    const int k = count < room ? count : room;
    std::memcpy(to, bytes, static_cast<size_t>(k));
    return k;
}

int ReceivePacket(void* context, const char* bytes, int count) {
    auto* r = static_cast<CodecReceiver*>(context);
    constexpr int wholePacket = PipePktBufr::HeaderSize + PipePktBufr::DATASIZE;
    PipePktCtrl* in = r->in.GetPtr();
    if (in == nullptr && r->startedMany && PipePktBufr::IsFullSpare(r->pkt)) {
        PipePktCtrl::FirstSlot slot;
        char* at = PipePktCtrl::OpenFirstSlot(&slot);
        count = PipeRead(at, wholePacket, bytes, count);
        NoteFirst(r, at, count);
        if (PipePktCtrl* started = PipePktCtrl::StartFromSlot(&slot, count)) {
            r->in = BasePtr::AdoptNew(started);  // as the reader starts a message
            return 0;
        }
        PipePktBufr::RewindIfUnshared(r->pkt);
        std::memcpy(r->pkt->GetSendRecvAddr(), at, static_cast<size_t>(count));
        PipePktCtrl::CloseFirstSlot(&slot);
        if (r->pkt->SetRecvdSize(count) != 0) return 1;
        r->in = BasePtr::AdoptNew(new PipePktCtrl(r->pkt));
        return 0;
    }
    if (in != nullptr && PipePktBufr::IsFullSpare(r->pkt)) {
        if (char* slot = in->OpenReadSlot()) {
            count = PipeRead(slot, wholePacket, bytes, count);
            NoteFirst(r, slot, count);
            if (in->TakeReadSlot(count)) return 0;
            PipePktBufr::RewindIfUnshared(r->pkt);
            std::memcpy(r->pkt->GetSendRecvAddr(), slot, static_cast<size_t>(count));
            in->CloseReadSlot();
            if (r->pkt->SetRecvdSize(count) != 0) return 1;
            in->PutPktBufr(r->pkt);
            return 0;
        }
    }
    if (!PipePktBufr::RewindIfUnshared(r->pkt)) r->pkt = r->maker->NewPktBufr();
    BasePktBufr* pkt = r->pkt.GetPtr();
    const int room = pkt->GetRecvSize();
    char* pos = pkt->GetSendRecvAddr();
    count = PipeRead(pos, room, bytes, count);
    NoteFirst(r, pos, count);
    if (pkt->SetRecvdSize(count) != 0) return 1;
    if (in == nullptr)
        r->in = BasePtr::AdoptNew(new PipePktCtrl(r->pkt));  // as the reader starts a message
    else
        in->PutPktBufr(r->pkt);
    return 0;
}

// Encode a 1 KB letter and cut it into packets as the client sends them,
// receive each packet as the manager's reader does, reassemble and decode;
// beside memcpy of its wire bytes.
void CodecLine(const Setup& s) {
    MessagePtr letter(new Message(s.text1k.c_str()));
    const BaseMsgPtr msg(letter);
    size_t wire = 0;
    for (const std::string& p : PacketsOf(msg, 1)) wire += p.size() - PipePktBufr::HeaderSize;
    std::vector<char> src(wire, 'q'), dst(wire);
    PipePktCtrl maker;
    CodecReceiver receiver;
    receiver.maker = &maker;
    std::vector<Line> lines;
    lines.push_back({"codec1k", quick ? 5000 : 20000,
                     [&msg, &receiver] {
                         PipePktCtrl out;
                         receiver.in = PipePktCtrlPtr();
                         int writeRc = 0;
                         if (out.PackAndWrite(*msg.GetPtr(), 9, ReceivePacket, &receiver, &writeRc) != PipePktCtrl::PACKED ||
                             writeRc != 0)
                             return false;
                         PipePktCtrlPtr in(std::move(receiver.in));
                         if (in.GetPtr() == nullptr || !in->AllThere()) return false;
                         // As the reader delivers an assembled message.
                         in->SetOffset(0);
                         BasePktCtrlPtr stream(std::move(in));
                         return BaseMsgPtr(stream).Ok() != 0;
                     },
                     [&src, &dst] {
                         std::memcpy(dst.data(), src.data(), src.size());
                         asm volatile("" : : "r"(dst.data()) : "memory");
                         return true;
                     }});
    RunLines(lines);
    PrintLines("Encode, packetize, decode of a 1 KB letter", lines, "memcpy us");
}

// The manager's world in a child process, counting its allocations into
// shared memory; answers the allocations per IsMboxEmpty.
void CountAllocations(std::vector<Line>* clientLines) {
    auto* shared = static_cast<std::atomic<unsigned long>*>(
        ::mmap(nullptr, sizeof(std::atomic<unsigned long>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1,
               0));
    if (shared == MAP_FAILED) std::abort();
    new (shared) std::atomic<unsigned long>(0);
    char tmpl[] = "/tmp/hvpaXXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    const std::string dir = tmpl;
    const std::string saved = std::getenv("HV_SYSTEM_DIR");
    ::setenv("HV_SYSTEM_DIR", dir.c_str(), 1);
    int ready[2];
    if (::pipe(ready) != 0) std::abort();
    const pid_t child = ::fork();
    if (child == 0) {
        SetAllocCounter(shared);
        BaseAddr::SetMxrWorldFlg(1);
        MxrWorld world;
        LocalHost localHost;
        MxrWorld::SetMxrPipeName(GetMxrPipeName());
        if (world.Initialize() != 0) ::_exit(2);
        char c = 1;
        if (::write(ready[1], &c, 1) != 1) ::_exit(3);
        for (;;) world.Run();
    }
    char c = 0;
    if (::read(ready[0], &c, 1) != 1) std::abort();
    {
        ProxyPostOffice po(1);
        po.CreateMailBox("ac");
        const int n = 2000;
        for (int i = 0; i < 200; ++i) po.IsMboxEmpty("ac");  // warm
        const unsigned long m0 = shared->load(), c0 = AllocCount();
        for (int i = 0; i < n; ++i) po.IsMboxEmpty("ac");
        const unsigned long m1 = shared->load(), c1 = AllocCount();
        const std::string k1 = Text(1024);
        for (int i = 0; i < 200; ++i) {
            po.SendToMbox("BENCH", "ac", MessagePtr(new Message(k1.c_str())));
            po.RcvFromMbox("ac", 0);
        }
        const unsigned long m2 = shared->load(), c2 = AllocCount();
        for (int i = 0; i < n; ++i) {
            po.SendToMbox("BENCH", "ac", MessagePtr(new Message(k1.c_str())));
            po.RcvFromMbox("ac", 0);
        }
        const unsigned long m3 = shared->load(), c3 = AllocCount();
        std::printf("\nHeap allocations per exchange (steady state)\n");
        std::printf("  %-12s %10s %10s\n", "exchange", "manager", "client");
        std::printf("  %-12s %10.2f %10.2f\n", "isempty", double(m1 - m0) / n, double(c1 - c0) / n);
        std::printf("  %-12s %10.2f %10.2f   (6 packets: 3 each way)\n", "letter1k", double(m3 - m2) / n,
                    double(c3 - c2) / n);
        // Allocations that grow with the packets show here: 4100 packets.
        const std::string m1text = Text(1 << 20);
        po.SendToMbox("BENCH", "ac", MessagePtr(new Message(m1text.c_str())));
        po.RcvFromMbox("ac", 0);
        const int big = 4;
        const unsigned long m4 = shared->load(), c4 = AllocCount();
        for (int i = 0; i < big; ++i) {
            po.SendToMbox("BENCH", "ac", MessagePtr(new Message(m1text.c_str())));
            po.RcvFromMbox("ac", 0);
        }
        const unsigned long m5 = shared->load(), c5 = AllocCount();
        const double packets = 4100.0;
        std::printf("  %-12s %10.2f %10.2f   (4100 packets; per packet %.4f and %.4f)\n", "letter1m",
                    double(m5 - m4) / big, double(c5 - c4) / big, double(m5 - m4) / big / packets,
                    double(c5 - c4) / big / packets);
        std::fflush(stdout);
        po.RemoveMailBox("ac");
    }
    static_cast<void>(clientLines);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::setenv("HV_SYSTEM_DIR", saved.c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

int main(int argc, char** argv) {
    long probe = -1;
    bool probeLetter = false;
    size_t probeLetterSize = 1 << 20;
    bool codecOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
            rounds = std::min(rounds, 3);
        } else if (std::strcmp(argv[i], "--codec") == 0) {
            codecOnly = true;
        } else if (std::strcmp(argv[i], "--probe") == 0 && i + 1 < argc) {
            probe = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--probe-1m") == 0 && i + 1 < argc) {
            probe = std::atol(argv[++i]);
            probeLetter = true;
        } else if (std::strcmp(argv[i], "--probe-1k") == 0 && i + 1 < argc) {
            probe = std::atol(argv[++i]);
            probeLetter = true;
            probeLetterSize = 1024;
        } else {
            std::fprintf(stderr, "usage: ManagerLoopBench [--rounds N] [--quick] [--codec] [--probe N] [--probe-1m N] [--probe-1k N]\n");
            return 1;
        }
    }
    if (codecOnly) {
        Setup s;
        s.text1k = Text(1024);
        CodecLine(s);
        return 0;
    }
    BenchManager manager(HV_MANAGER_BIN);
    if (probe >= 0) {
        ProxyPostOffice po;
        po.CreateMailBox("rt");
        if (probeLetter) {
            const std::string text = Text(probeLetterSize);
            for (long i = 0; i < probe; ++i) {
                po.SendToMbox("BENCH", "rt", MessagePtr(new Message(text.c_str())));
                po.RcvFromMbox("rt", 0);
            }
            std::printf("%ld letter pairs of %zu bytes through hvmanager pid %ld\n", probe, probeLetterSize,
                        static_cast<long>(manager.Pid()));
            return 0;
        }
        for (long i = 0; i < probe; ++i) po.IsMboxEmpty("rt");
        std::printf("%ld IsMboxEmpty calls through hvmanager pid %ld\n", probe, static_cast<long>(manager.Pid()));
        return 0;
    }

    Setup s;
    s.text1k = Text(1024);
    s.text1m = Text(1 << 20);
    s.isEmpty = IsEmptyExchange("rt");
    s.letter1k = LetterExchanges("lb", s.text1k, 2);
    s.letter1m = LetterExchanges("lb", s.text1m, 4);
    AnswerTable table;
    AddAnswer(table, s.isEmpty);
    AddAnswer(table, s.letter1k.first);
    AddAnswer(table, s.letter1k.second);
    AddAnswer(table, s.letter1m.first);
    AddAnswer(table, s.letter1m.second);

    // Our own allocations first, while this process is still single-threaded.
    CountAllocations(nullptr);

    Relay relay(manager.Dir(), table);
    const int rawFd = relay.Connect();
    ProxyPostOffice po;
    po.CreateMailBox("rt");
    po.CreateMailBox("lb");
    std::printf("rounds %d; microseconds per exchange, medians of the rounds' blocks\n", rounds);

    const std::vector<pid_t> pids{0, manager.Pid(), relay.Pid()};
    const int cpu = ::sched_getcpu();
    Place(pids, cpu);
    std::vector<Line> one = ExchangeLines(po, s, rawFd);
    RunLines(one);
    char title[96];
    std::snprintf(title, sizeof title, "On one processor (cpu %d)", cpu);
    PrintLines(title, one, "relay us");

    Place(pids, -1);
    std::vector<Line> any = ExchangeLines(po, s, rawFd);
    RunLines(any);
    PrintLines("Placed by the scheduler", any, "relay us");

    IdleLines(po);
    CodecLine(s);

    po.RemoveMailBox("rt");
    po.RemoveMailBox("lb");
    ::close(rawFd);
    return 0;
}
