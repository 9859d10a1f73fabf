// The serial line end to end: 1,000 messages of 1 KB from one serial pipe head
// to another over the line simulator (each side in its own process, as two
// agents), on a clean line and on one that flips a byte in 1% of the frames;
// every message must arrive once and intact. Beside it, the simulator alone
// carrying the same packets' bytes from port to port.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "../core/mxr/agents/tests/TTYLineSim.h"
#include "../core/mxr/agents/tests/TTYTestSupport.h"
#include "BaseAddr.h"
#include "BaseAddrEnt.h"
#include "BaseMsg.h"
#include "BaseMsgRcvr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "LogicalAddr.h"
#include "LogicalAddrEnt.h"
#include "PipeHeartBeatMsg.h"
#include "RatioReporter.h"
#include "TTYPipeHead.h"
#include "platform/SerialPort.h"

namespace {

constexpr int kMessages = 1000;
constexpr int kBytes = 1024;

}  // namespace

// One message of the benchmark: its number and 1 KB that depend on it.
class BenchLineMsg : public BaseMsg {
    MXR_CLASS(BenchLineMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("seq", seq), MXR_FIELD("data", data));

public:
    BenchLineMsg() = default;
    explicit BenchLineMsg(int s) : seq(s), data(Payload(s).c_str()) {
        SetToAddr(BaseAddrPtr(new LogicalAddr(LogicalAddr::COMMAGENTMSGRCVR)));
    }
    static std::string Payload(int s) {
        std::string p(kBytes, '\0');
        for (int i = 0; i < kBytes; ++i) p[static_cast<std::size_t>(i)] = static_cast<char>('A' + (s * 7 + i) % 26);
        return p;
    }
    int seq = 0;
    bStr data;
};
MXR_COMPANIONS(BenchLineMsg);
MXR_CLASS_DEFINE(BenchLineMsg);

// The receiving side's count: each number once, its bytes intact. It also
// takes the reports for the administrator and the manager, which have none
// here.
class BenchLineRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(BenchLineRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        const BenchLineMsgPtr m(msg);
        if (!m.Ok()) return PROCESSED;
        if (!(m->data == BenchLineMsg::Payload(m->seq).c_str())) ++damaged;
        else if (!seen.insert(m->seq).second) ++duplicates;
        return PROCESSED;
    }
    std::set<int> seen;
    int duplicates = 0;
    int damaged = 0;
};
MXR_COMPANIONS(BenchLineRcvr);
MXR_LOCAL_CLASS_DEFINE(BenchLineRcvr);

namespace {

struct Side {
    BaseWorld world;
    TTYPipeHeadPtr head;
    BenchLineRcvrPtr sink{new BenchLineRcvr()};
    LogicalAddrEntPtr admin;
    BaseAddrEntPtr manager;
    bool Open(const std::string& link) {
        BaseWorld::SetDispatchReadyFlg(1);
        admin = new LogicalAddrEnt(LogicalAddr::MXRADMIN, BaseAddrPtr(sink->GetAddrPtr()));
        manager = new BaseAddrEnt(BaseAddr::GetCurrentHost(), 0, 0, sink.GetPtr());
        world.SetDfltPollTimer(5);
        int fd = -1;
        if (portlib::platform::SerialOpen(link.c_str(), 115200, &fd) != 0) return false;
        head = new TTYPipeHead(fd, bStr(link.c_str()), 1, 5, 12);
        return head->Initialize() == 0;
    }
    bool Connected() { return head->GetConnectionStatus() == TTYPipeHead::CONNECTED; }
};

// The receiving agent: counts until told to stop; after each full round of
// messages writes one line "delivered duplicates damaged" to report.
[[noreturn]] void Receiver(const std::string& link, int report, int stop) {
    ::setenv("MXRHOSTNAME", "BENCHB", 1);
    BaseAddr::SetCurrentHost(bStr());
    Side b;
    if (!b.Open(link)) ::_exit(2);
    BenchLineRcvrPtr rcvr(new BenchLineRcvr());
    LogicalAddrEntPtr name(new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, BaseAddrPtr(rcvr->GetAddrPtr())));
    for (;;) {
        b.world.Run();
        if (static_cast<int>(rcvr->seen.size()) >= kMessages) {
            const std::string line = std::to_string(rcvr->seen.size()) + " " + std::to_string(rcvr->duplicates) + " " +
                                     std::to_string(rcvr->damaged) + "\n";
            if (::write(report, line.data(), line.size()) < 0) ::_exit(3);
            rcvr->seen.clear();
            rcvr->duplicates = 0;
            rcvr->damaged = 0;
        }
        pollfd p{stop, POLLIN, 0};
        if (::poll(&p, 1, 0) == 1) ::_exit(0);
    }
}

struct Line {
    std::string dir;
    ttytest::LineSim* sim = nullptr;
    ttytest::LineSim* bare = nullptr;  // a second line for the simulator alone
    std::string bareDir;
    Side a;
    pid_t child = -1;
    int report = -1;
    int stop = -1;
    bool ok = false;

    Line() {
        char t1[] = "/tmp/hvbench-line-XXXXXX";
        char t2[] = "/tmp/hvbench-bare-XXXXXX";
        if (::mkdtemp(t1) == nullptr || ::mkdtemp(t2) == nullptr) return;
        dir = t1;
        bareDir = t2;
        sim = new ttytest::LineSim(dir);
        bare = new ttytest::LineSim(bareDir);
        if (!sim->ready || !bare->ready) return;
        int rep[2], stp[2];
        if (::pipe(rep) != 0 || ::pipe(stp) != 0) return;
        child = ::fork();
        if (child == 0) {
            ::close(rep[0]);
            ::close(stp[1]);
            Receiver(sim->B(), rep[1], stp[0]);
        }
        ::close(rep[1]);
        ::close(stp[0]);
        report = rep[0];
        stop = stp[1];
        ::setenv("MXRHOSTNAME", "BENCHA", 1);
        BaseAddr::SetCurrentHost(bStr());
        if (!a.Open(sim->A())) return;
        for (int i = 0; i < 20000 && !a.Connected(); ++i) a.world.Run();
        ok = a.Connected();
    }
    ~Line() {
        if (child > 0) {
            ::close(stop);
            ::waitpid(child, nullptr, 0);
        }
        a.head->HupDetected();
        a.head = TTYPipeHeadPtr();
        delete sim;
        delete bare;
        std::system(("rm -rf " + dir + " " + bareDir).c_str());
    }

    // Sends a round and runs until the receiver reports it; its line.
    std::string Round() {
        for (int s = 0; s < kMessages; ++s)
            a.head->DfltMsgHdlr(BaseMsgPtr(new BenchLineMsg(s)), BasePktCtrlPtr());
        std::string line;
        for (;;) {
            a.world.Run();
            pollfd p{report, POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) {
                char buf[128];
                const ssize_t n = ::read(report, buf, sizeof buf);
                if (n <= 0) return "receiver gone";
                line.append(buf, static_cast<std::size_t>(n));
                if (line.find('\n') != std::string::npos) return line;
            }
        }
    }
};

Line* line = nullptr;

void Check(benchmark::State& state, const std::string& got) {
    const std::string want = std::to_string(kMessages) + " 0 0\n";
    if (got != want) state.SkipWithError(("receiver reported " + got).c_str());
}

void BM_Line_Agents_Clean(benchmark::State& state) {
    if (!line->ok) return state.SkipWithError("line not connected");
    for (auto _ : state) Check(state, line->Round());
    state.SetBytesProcessed(state.iterations() * kMessages * kBytes);
}

void BM_Line_Agents_Corrupt1pct(benchmark::State& state) {
    if (!line->ok) return state.SkipWithError("line not connected");
    line->sim->Do("corrupt ab 10 " + std::to_string(state.iterations() + 7));
    for (auto _ : state) Check(state, line->Round());
    line->sim->Do("corrupt ab 0 1");
    state.SetBytesProcessed(state.iterations() * kMessages * kBytes);
}

// The same packets' bytes through a line of its own, port to port.
void BM_Line_SimulatorAlone(benchmark::State& state) {
    std::string bytes;
    for (int s = 0; s < kMessages; ++s)
        for (auto& p : ttytest::PacketsOf(BaseMsgPtr(new BenchLineMsg(s)), static_cast<unsigned short>(s + 1)))
            bytes += ttytest::BytesOf(p);
    int a = -1, b = -1;
    if (portlib::platform::SerialOpen(line->bare->A().c_str(), 115200, &a) != 0 ||
        portlib::platform::SerialOpen(line->bare->B().c_str(), 115200, &b) != 0)
        return state.SkipWithError("cannot open the bare line");
    std::vector<char> buf(65536);
    for (auto _ : state) {
        std::size_t sent = 0, got = 0;
        while (got < bytes.size()) {
            if (sent < bytes.size()) {
                const ssize_t n = ::write(a, bytes.data() + sent, bytes.size() - sent);
                if (n > 0) sent += static_cast<std::size_t>(n);
            }
            pollfd p{b, POLLIN, 0};
            ::poll(&p, 1, sent < bytes.size() ? 0 : 10);
            const ssize_t n = ::read(b, buf.data(), buf.size());
            if (n > 0) got += static_cast<std::size_t>(n);
        }
    }
    portlib::platform::SerialClose(a);
    portlib::platform::SerialClose(b);
    state.SetBytesProcessed(state.iterations() * kMessages * kBytes);
}

}  // namespace

int main(int argc, char** argv) {
    ::signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    line = new Line();
    benchmark::RegisterBenchmark("BM_Line_Agents_Clean", BM_Line_Agents_Clean)
        ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BM_Line_Agents_Corrupt1pct", BM_Line_Agents_Corrupt1pct)
        ->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BM_Line_SimulatorAlone", BM_Line_SimulatorAlone)
        ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("Agents over the simulator alone (1,000 x 1 KB):", {"BM_Line_"}, "Agents_Clean",
                         "SimulatorAlone");
    reporter.PrintRatios("", {"BM_Line_"}, "Agents_Corrupt1pct", "SimulatorAlone");
    delete line;
    return 0;
}
