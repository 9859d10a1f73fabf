// The pipe transport end to end, beside the bare named-pipe layer doing the
// same byte traffic in the same run. This process is the manager (a world
// listening on the control pipe of a fresh system directory); the client is a
// forked process.
//   RoundTrip/<size>/transport: one message to the client's echo receiver and
//     back, through endpoints, packets, routes and both worlds' loops;
//   RoundTrip/<size>/bare: the same bytes in 520-byte pipe messages to an
//     echo process and back, blocking reads and writes on the layer;
//   Stream/<size>/transport and /bare: a batch one way (1000 x 1 KB or
//     8 x 1 MiB), then one short acknowledgement;
//   Connect100/transport: 100 client processes, released together, connect
//     their worlds' endpoints; timed from the release until the manager has
//     every client's route.
// The ratio transport/bare of each pair is printed at the end.
#include "BenchSystemDir.h"
#include "BaseMsgRcvr.h"
#include "ClassDefine.h"
#include "LogicalAddr.h"
#include "LogicalAddrEnt.h"
#include "RatioReporter.h"
#include "tests/TransportTestWorlds.h"
#include "platform/NamedPipe.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace portlib::platform;

// A message with a number, what the echo side does with it, and a payload.
class BenchBulkMsg : public BaseMsg {
    MXR_CLASS(BenchBulkMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("n", n), MXR_FIELD("reply", reply), MXR_FIELD("data", data));

public:
    enum : int { NONE = 0, ECHO = 1, ACK = 2 };
    BenchBulkMsg() = default;
    BenchBulkMsg(const BaseAddrPtr& to, int n_, int reply_, const bStr& payload) : n(n_), reply(reply_), data(payload) {
        toAddr = to;
    }
    int n = 0;
    int reply = NONE;
    bStr data;
};
MXR_COMPANION_PTR(BenchBulkMsg);
MXR_CLASS_DEFINE(BenchBulkMsg);

// The client's echo (ECHO: the message back; ACK: a short answer) and the
// manager's counter of answers.
class BenchRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(BenchRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        BenchBulkMsgPtr m(msg);
        if (!m.Ok()) return NOTPROCESSED;
        ++received;
        if (answerTo.Ok() && m->reply == BenchBulkMsg::ECHO)
            BaseMsgPtr(new BenchBulkMsg(answerTo, m->n, BenchBulkMsg::NONE, m->data)).Send();
        if (answerTo.Ok() && m->reply == BenchBulkMsg::ACK)
            BaseMsgPtr(new BenchBulkMsg(answerTo, m->n, BenchBulkMsg::NONE, "ok")).Send();
        return PROCESSED;
    }
    BaseAddrPtr answerTo;
    long received = 0;
};
MXR_COMPANION_PTR(BenchRcvr);
MXR_LOCAL_CLASS_DEFINE(BenchRcvr);

namespace {

const char* const kPipe = R"(\\.\PIPE\mxr_pipe)";
const char* const kBarePipe = R"(\\.\pipe\bench_bare)";
constexpr LogicalAddr::enLogicalName kService = LogicalAddr::MXRDEBUG;
constexpr std::size_t kChunk = 520;

std::string Payload(std::size_t n) {
    std::string s(n, 'x');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(1 + i % 251);
    return s;
}

// A forked client starts from empty tables of its own (what it inherited
// describes the manager) with the readiness gate closed.
void BecomeClientProcess() {
    BaseAddr::SetMxrWorldFlg(0);
    BaseWorld::SetDispatchReadyFlg(0);
    BaseAddrEnt::SetAddrEntPtr(nullptr);
    BaseAddrEnt::SetAddrEntCnt(0);
    BaseAddrEnt::SetAddrEntAvail(0);
    LogicalAddrEnt::SetLogicalAddrTblPtr(nullptr);
    LogicalAddrEnt::SetLogicalAddrTblSz(0);
}

void StopChild(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int st = 0;
    while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
}

// ---- through the transport ----------------------------------------------

// The client process: a client world with an echo receiver under kService;
// leaves when its pipe hangs up (or after a minute).
[[noreturn]] void EchoClientMain() {
    BecomeClientProcess();
    ClientTestWorld world(kPipe);
    world.SetDfltPollTimer(1000);
    if (world.Initialize() != 0) ::_exit(10);
    BenchRcvr echo;
    echo.answerTo = new LogicalAddr(BaseAddr::GetCurrentHost(), 0, 0, kService);
    LogicalAddrEntPtr name(new LogicalAddrEnt(kService, BaseAddrPtr(echo.GetAddrPtr())));
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (std::chrono::steady_clock::now() < end && world.head->GetPollAdptrPtr().Ok()) world.Run();
    ::_exit(0);
}

// The manager's side: a listening world, the counter, and one client.
struct TransportRig {
    BenchSystemDir sys;
    ListenerTestWorld world{kPipe};
    BenchRcvr counter;
    LogicalAddrEntPtr name;
    pid_t child = -1;
    BaseAddrPtr client;

    TransportRig() {
        world.SetDfltPollTimer(1000);
        if (world.Initialize() != 0) std::abort();
        name = new LogicalAddrEnt(kService, BaseAddrPtr(counter.GetAddrPtr()));
        child = ::fork();
        if (child == 0) EchoClientMain();
        // Connected once the client's route exists.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (BaseAddrEnt::LookUpRoute(BaseAddr::GetCurrentHost(), child, child) == nullptr) {
            if (std::chrono::steady_clock::now() > end) std::abort();
            world.Run();
        }
        client = new LogicalAddr(BaseAddr::GetCurrentHost(), child, child, kService);
    }
    ~TransportRig() {
        world.CleanUp();
        StopChild(child);
    }
    void AwaitAnswers(long n) {
        while (counter.received < n) world.Run();
    }
};

void TransportRoundTrip(benchmark::State& state, std::size_t size) {
    TransportRig rig;
    const bStr payload(Payload(size).c_str());
    for (auto _ : state) {
        const long want = rig.counter.received + 1;
        BaseMsgPtr(new BenchBulkMsg(rig.client, 0, BenchBulkMsg::ECHO, payload)).Send();
        rig.AwaitAnswers(want);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(2 * size));
}

void TransportStream(benchmark::State& state, std::size_t size, int batch) {
    TransportRig rig;
    const bStr payload(Payload(size).c_str());
    for (auto _ : state) {
        const long want = rig.counter.received + 1;
        for (int i = 0; i < batch; ++i)
            BaseMsgPtr(new BenchBulkMsg(rig.client, i, i + 1 == batch ? BenchBulkMsg::ACK : BenchBulkMsg::NONE,
                                        payload))
                .Send();
        rig.AwaitAnswers(want);
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.SetBytesProcessed(state.iterations() * batch * static_cast<long>(size));
}

// ---- the bare layer -----------------------------------------------------

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const std::size_t k = n < kChunk ? n : kChunk;
        std::size_t w = 0;
        if (PipeWrite(fd, p, k, &w) != 0) return false;
        p += k;
        n -= k;
    }
    return true;
}

bool ReadAll(int fd, char* p, std::size_t n) {
    while (n > 0) {
        std::size_t got = 0;
        if (PipeRead(fd, p, kChunk, &got) != 0 || got == 0) return false;
        p += got;
        n -= got;
    }
    return true;
}

// The echo process of the bare baseline: each request is a 4-byte header
// (payload size and what to answer: the echo, one byte, or nothing) and the
// payload, each in 520-byte pipe messages.
constexpr unsigned kAnswerByte = 0x80000000u;
constexpr unsigned kAnswerNone = 0x40000000u;
constexpr unsigned kSizeMask = 0x3FFFFFFFu;

[[noreturn]] void BareEchoMain(int fd) {
    std::vector<char> buf;
    for (;;) {
        unsigned head = 0;
        std::size_t got = 0;
        if (PipeRead(fd, &head, sizeof head, &got) != 0 || got != sizeof head) ::_exit(0);
        const std::size_t n = head & kSizeMask;
        buf.resize(n);
        if (!ReadAll(fd, buf.data(), n)) ::_exit(0);
        if (head & kAnswerNone) continue;
        if (head & kAnswerByte) {
            if (!WriteAll(fd, "k", 1)) ::_exit(0);
        } else if (!WriteAll(fd, reinterpret_cast<char*>(&head), sizeof head) || !WriteAll(fd, buf.data(), n)) {
            ::_exit(0);
        }
    }
}

struct BareRig {
    BenchSystemDir sys;
    NamedPipeListener listener;
    int fd = -1;
    pid_t child = -1;

    BareRig() {
        PipeListenOptions lo;
        lo.nonBlocking = false;
        if (listener.Create(kBarePipe, lo) != 0) std::abort();
        child = ::fork();
        if (child == 0) {
            int c = -1;
            if (PipeConnect(kBarePipe, {5000, PipeReadMode::Message, false}, &c) != 0) ::_exit(10);
            BareEchoMain(c);
        }
        if (listener.Accept(&fd, 5000) != 0) std::abort();
    }
    ~BareRig() {
        PipeClose(fd);
        StopChild(child);
    }
    void Send(const std::string& payload, unsigned answer) {
        unsigned head = static_cast<unsigned>(payload.size()) | answer;
        if (!WriteAll(fd, reinterpret_cast<char*>(&head), sizeof head) ||
            !WriteAll(fd, payload.data(), payload.size()))
            std::abort();
    }
};

void BareRoundTrip(benchmark::State& state, std::size_t size) {
    BareRig rig;
    const std::string payload = Payload(size);
    std::vector<char> back(size);
    for (auto _ : state) {
        rig.Send(payload, 0);
        unsigned head = 0;
        std::size_t got = 0;
        if (PipeRead(rig.fd, &head, sizeof head, &got) != 0 || !ReadAll(rig.fd, back.data(), size)) std::abort();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(2 * size));
}

void BareStream(benchmark::State& state, std::size_t size, int batch) {
    BareRig rig;
    const std::string payload = Payload(size);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) rig.Send(payload, i + 1 == batch ? kAnswerByte : kAnswerNone);
        char k = 0;
        if (!ReadAll(rig.fd, &k, 1)) std::abort();
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.SetBytesProcessed(state.iterations() * batch * static_cast<long>(size));
}

// ---- 100 clients at once --------------------------------------------------

[[noreturn]] void ConnectingClientMain(int gate) {
    char c;
    while (::read(gate, &c, 1) < 0) {
    }
    BecomeClientProcess();
    ClientTestWorld world(kPipe, 1500);
    world.SetDfltPollTimer(100);
    if (world.Initialize() != 0) ::_exit(10);
    // Stays until the manager goes (its pipe hangs up).
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < end && world.head->GetPollAdptrPtr().Ok()) world.Run();
    ::_exit(0);
}

void Connect100(benchmark::State& state) {
    constexpr int kClients = 100;
    for (auto _ : state) {
        BenchSystemDir sys;
        ListenerTestWorld world{kPipe};
        world.SetDfltPollTimer(100);
        if (world.Initialize() != 0) std::abort();
        int gate[2];
        if (::pipe(gate) != 0) std::abort();
        std::vector<pid_t> kids;
        for (int i = 0; i < kClients; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(gate[1]);
                ConnectingClientMain(gate[0]);
            }
            kids.push_back(pid);
        }
        ::close(gate[0]);
        const auto start = std::chrono::steady_clock::now();
        ::close(gate[1]);  // releases every client at once
        const auto end = start + std::chrono::seconds(60);
        while (BaseAddrEnt::GetAddrEntCnt() < kClients && std::chrono::steady_clock::now() < end) world.Run();
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (BaseAddrEnt::GetAddrEntCnt() < kClients) state.SkipWithError("not every client connected in time");
        state.SetIterationTime(secs);
        world.CleanUp();
        for (pid_t pid : kids) StopChild(pid);
    }
    state.SetItemsProcessed(state.iterations() * kClients);
}

}  // namespace

int main(int argc, char** argv) {
    // This process is the manager: set before any receiver is made.
    ::setenv("MXRHOSTNAME", "BENCHHOST", 1);
    BaseAddr::SetMxrWorldFlg(1);
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("RoundTrip/1KB/bare", BareRoundTrip, 1024)->Unit(benchmark::kMicrosecond)->UseRealTime();
    RegisterBenchmark("RoundTrip/1KB/transport", TransportRoundTrip, 1024)->Unit(benchmark::kMicrosecond)->UseRealTime();
    RegisterBenchmark("RoundTrip/1MiB/bare", BareRoundTrip, 1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("RoundTrip/1MiB/transport", TransportRoundTrip, 1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("Stream/1000x1KB/bare", BareStream, 1024, 1000)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("Stream/1000x1KB/transport", TransportStream, 1024, 1000)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("Stream/8x1MiB/bare", BareStream, 1 << 20, 8)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("Stream/8x1MiB/transport", TransportStream, 1 << 20, 8)->Unit(benchmark::kMillisecond)->UseRealTime();
    RegisterBenchmark("Connect100/transport", Connect100)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("transport / bare named-pipe layer (real time)",
                         {"RoundTrip/1KB", "RoundTrip/1MiB", "Stream/1000x1KB", "Stream/8x1MiB"}, "/transport",
                         "/bare");
    benchmark::Shutdown();
    return 0;
}
