// The event loop's costs, each beside a bare poll(2) loop doing the same
// waiting in the same run:
//   Turn64Idle:   one turn over 64 idle poll adapters (nothing ready, no wait)
//                 against poll(2) over the same 64 descriptors.
//   Turn64Ready:  the same with every descriptor readable (nobody reads):
//                 poll(2) alone, the poll layer looking up each descriptor's
//                 kind in every poll (fstat + getsockopt each), and the poll
//                 manager, whose adapters learned the kinds once. Counter:
//                 kind look-ups per turn.
//   HandIn:       10,000 messages handed to the loop per batch and dispatched:
//                 Send on the loop's thread against posts from another
//                 thread through the world's inbox; messages per second.
//   IdleCpu:      CPU used by an idle world (16 idle pipes, 16 heartbeat-like
//                 1 s repeating timers) over --idle_seconds (default 5; 30 for
//                 the full figure); aim: below 1% of one core.
//   TimerLateness: 1,000 pending 100 ms one-shot timers, each re-armed when
//                 it fires, for --lateness_seconds (default 3) after a
//                 second of warm-up: lateness of each delivery after its
//                 fire time, p50 and p99 in us.
// Run with --benchmark_counters_tabular=true for a readable table.
#include "BaseAddr.h"
#include "BaseMsgRcvr.h"
#include "BasePollAdptr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "FuncInfo.h"
#include "PollManager.h"
#include "TimerManager.h"
#include "WorldInbox.h"
#include "platform/DescriptorPoll.h"
#include "platform/FdKind.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// An adapter that waits for input on one descriptor and reads what comes
// (or, with reads false, leaves it there: ready in every turn).
class LoopBenchAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(LoopBenchAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    LoopBenchAdptr() : fd(-1) {}
    explicit LoopBenchAdptr(int fd_, bool reads_ = true) : fd(fd_), reads(reads_) {}
    void PopulatePollInfo(hv::pollfd* p) override {
        p->fd = fd;
        p->events = POLLIN;
    }
    enWork ProcessRevents(hv::pollfd* p) override {
        if (!(p->revents & POLLIN)) return NOWORK;
        char buf[64];
        if (reads) benchmark::DoNotOptimize(::read(fd, buf, sizeof buf));
        return DIDWORK;
    }
    int fd;
    bool reads = true;
};
MXR_COMPANIONS(LoopBenchAdptr);
MXR_LOCAL_CLASS_DEFINE(LoopBenchAdptr);

namespace {

long long MonoUs() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

double ThreadCpuMs() {
    timespec ts;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int idleSeconds = 5;
int latenessSeconds = 3;

struct IdlePipes {
    std::vector<int> readEnds, writeEnds;
    explicit IdlePipes(int n) {
        for (int i = 0; i < n; ++i) {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) std::abort();
            readEnds.push_back(fds[0]);
            writeEnds.push_back(fds[1]);
        }
    }
    ~IdlePipes() {
        for (int fd : readEnds) ::close(fd);
        for (int fd : writeEnds) ::close(fd);
    }
};

// ---- one turn over 64 idle adapters ------------------------------------------

void Turn64IdleManager(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    IdlePipes pipes(64);
    PollManager pm;
    for (int fd : pipes.readEnds) pm.Register(BasePollAdptrPtr(new LoopBenchAdptr(fd)));
    for (auto _ : state) benchmark::DoNotOptimize(pm.PollForWork(0));
    pm.DeRegisterAll();
}

void Turn64IdleBare(benchmark::State& state) {
    IdlePipes pipes(64);
    std::vector<pollfd> set;
    for (int fd : pipes.readEnds) set.push_back({fd, POLLIN, 0});
    for (auto _ : state) {
        for (auto& p : set) p.revents = 0;
        benchmark::DoNotOptimize(::poll(set.data(), set.size(), 0));
    }
}

// ---- one turn over 64 ready descriptors ----------------------------------------

// 64 connected Unix-domain pairs with a message waiting on each first end.
struct ReadyPairs {
    std::vector<int> ready, other;
    ReadyPairs() {
        for (int i = 0; i < 64; ++i) {
            int sv[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) std::abort();
            if (::write(sv[1], "x", 1) != 1) std::abort();
            ready.push_back(sv[0]);
            other.push_back(sv[1]);
        }
    }
    ~ReadyPairs() {
        for (int fd : ready) ::close(fd);
        for (int fd : other) ::close(fd);
    }
};

void ReportLookups(benchmark::State& state, unsigned long before) {
    state.counters["kind_lookups_per_turn"] = static_cast<double>(portlib::platform::GetFdKindLookupCount() - before) /
                                              static_cast<double>(state.iterations());
}

void Turn64ReadyBare(benchmark::State& state) {
    ReadyPairs pairs;
    std::vector<pollfd> set;
    for (int fd : pairs.ready) set.push_back({fd, POLLIN, 0});
    for (auto _ : state) {
        for (auto& p : set) p.revents = 0;
        benchmark::DoNotOptimize(::poll(set.data(), set.size(), 0));
    }
}

void Turn64ReadyKindEachPoll(benchmark::State& state) {
    ReadyPairs pairs;
    std::vector<pollfd> set;
    for (int fd : pairs.ready) set.push_back({fd, POLLIN, 0});
    const unsigned long before = portlib::platform::GetFdKindLookupCount();
    for (auto _ : state) benchmark::DoNotOptimize(portlib::platform::PollDescriptors(set.data(), set.size(), 0));
    ReportLookups(state, before);
}

void Turn64ReadyManager(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    ReadyPairs pairs;
    PollManager pm;
    for (int fd : pairs.ready) pm.Register(BasePollAdptrPtr(new LoopBenchAdptr(fd, false)));
    const unsigned long before = portlib::platform::GetFdKindLookupCount();
    for (auto _ : state) benchmark::DoNotOptimize(pm.PollForWork(0));
    ReportLookups(state, before);
    pm.DeRegisterAll();
}

// ---- CPU of an idle world ------------------------------------------------------

// Takes a message and does nothing with it.
class QuietRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(QuietRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr&, const BasePktCtrlPtr&) override {
        ++handled;
        return PROCESSED;
    }
    long handled = 0;
};
MXR_LOCAL_CLASS_DEFINE(QuietRcvr);

constexpr int kIdlePipes = 16;
constexpr int kHeartbeats = 16;

void ReportCpu(benchmark::State& state, double cpuMs, double wallMs, long turns) {
    state.counters["cpu_pct_of_core"] = 100.0 * cpuMs / wallMs;
    state.counters["cpu_ms"] = cpuMs;
    state.counters["turns"] = static_cast<double>(turns);
}

void IdleCpuWorld(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    BaseAddr::SetMxrWorldFlg(1);
    IdlePipes pipes(kIdlePipes);
    BaseWorld world;
    QuietRcvr rcvr;
    for (int fd : pipes.readEnds) BasePollAdptrPtr(new LoopBenchAdptr(fd))->Register();
    for (int i = 0; i < kHeartbeats; ++i) {
        BaseMsgPtr beat(new BaseMsg());
        beat->SetToAddr(rcvr.GetAddrPtr());
        TimerManager::SetMultiShotTimer(beat, 1000, 0xFFFFFFFFu);
    }
    for (auto _ : state) {
        long turns = 0;
        const long long end = MonoUs() + idleSeconds * 1000000LL;
        const double cpu0 = ThreadCpuMs();
        const long long t0 = MonoUs();
        while (MonoUs() < end) {
            world.Run();
            ++turns;
        }
        ReportCpu(state, ThreadCpuMs() - cpu0, (MonoUs() - t0) / 1000.0, turns);
    }
    state.counters["heartbeats"] = static_cast<double>(rcvr.handled);
    world.GetPollManager().DeRegisterAll();
}

void IdleCpuBare(benchmark::State& state) {
    IdlePipes pipes(kIdlePipes);
    std::vector<pollfd> set;
    for (int fd : pipes.readEnds) set.push_back({fd, POLLIN, 0});
    // The same heartbeats: 16 deadlines, each a second after the last.
    std::vector<long long> due(kHeartbeats, MonoUs() + 1000000);
    long beats = 0;
    for (auto _ : state) {
        long turns = 0;
        const long long end = MonoUs() + idleSeconds * 1000000LL;
        const double cpu0 = ThreadCpuMs();
        const long long t0 = MonoUs();
        while (MonoUs() < end) {
            const long long now = MonoUs();
            long long next = *std::min_element(due.begin(), due.end());
            const int wait = next <= now ? 0 : static_cast<int>(std::min<long long>((next - now + 999) / 1000, 10000));
            for (auto& p : set) p.revents = 0;
            ::poll(set.data(), set.size(), wait);
            const long long after = MonoUs();
            for (auto& d : due)
                if (d <= after) {
                    d = after + 1000000;
                    ++beats;
                }
            ++turns;
        }
        ReportCpu(state, ThreadCpuMs() - cpu0, (MonoUs() - t0) / 1000.0, turns);
    }
    state.counters["heartbeats"] = static_cast<double>(beats);
}

// ---- messages handed to the loop ---------------------------------------------------

constexpr int kHandInBatch = 10000;

BaseMsgPtr HandInMsg(const BaseAddrPtr& to) {
    BaseMsg* m = new BaseMsg();
    m->SetToAddr(to);
    return BaseMsgPtr(m);
}

// Each batch handed in by Send on the loop's thread, or (post) by a thread of
// its own through the world's inbox, and dispatched.
void HandIn(benchmark::State& state, bool post) {
    FuncInfo::SetTraceFlag(-1);
    BaseAddr::SetMxrWorldFlg(1);
    BaseWorld world;
    world.SetMsgsPerSegment(INT_MAX);
    world.SetDfltPollTimer(1000);
    QuietRcvr rcvr;
    const BaseAddrPtr to = rcvr.GetAddrPtr();
    std::shared_ptr<WorldInbox> inbox = world.OpenInbox();
    for (auto _ : state) {
        const long target = rcvr.handled + kHandInBatch;
        std::thread poster;
        if (post)
            poster = std::thread([&inbox, to] {
                for (int i = 0; i < kHandInBatch; ++i) inbox->Post(HandInMsg(to));
            });
        else
            for (int i = 0; i < kHandInBatch; ++i) HandInMsg(to).Send();
        while (rcvr.handled < target) world.Run();
        if (poster.joinable()) poster.join();
    }
    state.SetItemsProcessed(state.iterations() * kHandInBatch);
}

// ---- timer lateness --------------------------------------------------------------

constexpr int kPendingTimers = 1000;
constexpr unsigned kTimerMs = 100;

// Carries its fire time (monotonic us) to the receiver.
class DueMsg : public BaseMsg {
    MXR_CLASS(DueMsg, BaseMsg);
    MXR_FIELDS();

public:
    long long due = 0;
};
MXR_COMPANIONS(DueMsg);
MXR_CLASS_DEFINE(DueMsg);

void Arm(const DynamicAddrPtr& to) {
    DueMsg* m = new DueMsg();
    m->SetToAddr(BaseAddrPtr(to));
    unsigned s = 0, us = 0;
    TimerManager::GetCurrentTime(s, us);
    // The timers' clock counts whole milliseconds: the fire time is that
    // reading plus the delay.
    m->due = (static_cast<long long>(s) * 1000000 + us) + kTimerMs * 1000LL;
    BaseMsgPtr msg(m);
    TimerManager::SetOneShotTimer(msg, kTimerMs);
}

class LatenessRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(LatenessRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        DueMsgPtr m(msg);
        if (!m.Ok()) return NOTPROCESSED;
        lateUs.push_back(MonoUs() - m->due);
        if (rearm) Arm(GetAddrPtr());
        return PROCESSED;
    }
    std::vector<long long> lateUs;
    bool rearm = true;
};
MXR_LOCAL_CLASS_DEFINE(LatenessRcvr);

void ReportLateness(benchmark::State& state, std::vector<long long>& late) {
    if (late.empty()) {
        state.SkipWithError("no timer fired");
        return;
    }
    std::sort(late.begin(), late.end());
    state.counters["fired"] = static_cast<double>(late.size());
    state.counters["late_p50_us"] = static_cast<double>(late[late.size() / 2]);
    state.counters["late_p99_us"] = static_cast<double>(late[late.size() * 99 / 100]);
    state.counters["late_max_us"] = static_cast<double>(late.back());
}

void TimerLatenessWorld(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    BaseAddr::SetMxrWorldFlg(1);
    BaseWorld world;
    world.SetMsgsPerSegment(INT_MAX);
    LatenessRcvr rcvr;
    for (auto _ : state) {
        for (int i = 0; i < kPendingTimers; ++i) {
            Arm(rcvr.GetAddrPtr());
            if (i % 10 == 9) ::usleep(1000);  // spread the fire times over 100 ms
        }
        // The first wave was armed before the loop ran: measured from the
        // second second on.
        const long long warm = MonoUs() + 1000000;
        while (MonoUs() < warm) world.Run();
        rcvr.lateUs.clear();
        const long long end = MonoUs() + latenessSeconds * 1000000LL;
        while (MonoUs() < end) world.Run();
        rcvr.rearm = false;
        ReportLateness(state, rcvr.lateUs);
    }
    world.GetTimerManager().Clear();
}

void TimerLatenessBare(benchmark::State& state) {
    for (auto _ : state) {
        // Deadlines in a sorted map, poll(2) until the earliest, the same
        // whole-millisecond clock.
        auto nowMs = [] { return MonoUs() / 1000 * 1000; };
        std::multimap<long long, int> due;
        for (int i = 0; i < kPendingTimers; ++i) {
            due.emplace(nowMs() + kTimerMs * 1000LL, i);
            if (i % 10 == 9) ::usleep(1000);
        }
        std::vector<long long> late;
        const long long warm = MonoUs() + 1000000;
        const long long end = warm + latenessSeconds * 1000000LL;
        while (MonoUs() < end) {
            if (MonoUs() < warm) late.clear();
            const long long now = nowMs();
            const long long first = due.begin()->first;
            const int wait = first <= now ? 0 : static_cast<int>((first - now + 500) / 1000);
            ::poll(nullptr, 0, wait);
            const long long after = nowMs();
            while (!due.empty() && due.begin()->first <= after) {
                late.push_back(MonoUs() - due.begin()->first);
                due.erase(due.begin());
                due.emplace(nowMs() + kTimerMs * 1000LL, 0);
            }
        }
        ReportLateness(state, late);
    }
}

// --name=N options of this program, taken out before the benchmark library
// sees the arguments.
void TakeOption(int* argc, char** argv, const char* name, int* value) {
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) != 0) continue;
        *value = std::atoi(argv[i] + prefix.size());
        for (int j = i; j + 1 < *argc; ++j) argv[j] = argv[j + 1];
        --*argc;
        return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    TakeOption(&argc, argv, "idle_seconds", &idleSeconds);
    TakeOption(&argc, argv, "lateness_seconds", &latenessSeconds);
    benchmark::RegisterBenchmark("Turn64Idle/bare_poll", Turn64IdleBare)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Turn64Idle/poll_manager", Turn64IdleManager)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Turn64Ready/bare_poll", Turn64ReadyBare)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Turn64Ready/kind_looked_up_each_poll", Turn64ReadyKindEachPoll)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Turn64Ready/poll_manager", Turn64ReadyManager)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("HandIn/send_on_loop_thread", HandIn, false)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("HandIn/post_from_other_thread", HandIn, true)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("IdleCpu/bare_poll", IdleCpuBare)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("IdleCpu/world", IdleCpuWorld)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("TimerLateness/bare_poll", TimerLatenessBare)
        ->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("TimerLateness/world", TimerLatenessWorld)
        ->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
