// The event loop's costs, each beside a bare poll(2) loop doing the same
// waiting in the same run:
//   Turn64Idle: one poll turn over 64 idle adapters (nothing ready, no wait)
//               against poll(2) over the same 64 descriptors.
#include "BasePollAdptr.h"
#include "ClassDefine.h"
#include "PollManager.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

// An adapter that waits for input on one descriptor and reads what comes.
class LoopBenchAdptr : public BasePollAdptr {
    MXR_CLASS(LoopBenchAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    LoopBenchAdptr() : fd(-1) {}
    explicit LoopBenchAdptr(int fd_) : fd(fd_) {}
    void PopulatePollInfo(hv::pollfd* p) override {
        p->fd = fd;
        p->events = POLLIN;
    }
    enWork ProcessRevents(hv::pollfd* p) override {
        if (!(p->revents & POLLIN)) return NOWORK;
        char buf[64];
        benchmark::DoNotOptimize(::read(fd, buf, sizeof buf));
        return DIDWORK;
    }
    int fd;
};
MXR_COMPANIONS(LoopBenchAdptr);
MXR_CLASS_DEFINE(LoopBenchAdptr, 302);

namespace {

constexpr int kIdleAdapters = 64;

struct IdlePipes {
    std::vector<int> readEnds, writeEnds;
    IdlePipes() {
        for (int i = 0; i < kIdleAdapters; ++i) {
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

void Turn64IdleManager(benchmark::State& state) {
    IdlePipes pipes;
    PollManager pm;
    for (int fd : pipes.readEnds) pm.Register(BasePollAdptrPtr(new LoopBenchAdptr(fd)));
    for (auto _ : state) benchmark::DoNotOptimize(pm.PollForWork(0));
    pm.DeRegisterAll();
}

void Turn64IdleBare(benchmark::State& state) {
    IdlePipes pipes;
    std::vector<pollfd> set;
    for (int fd : pipes.readEnds) set.push_back({fd, POLLIN, 0});
    for (auto _ : state) {
        for (auto& p : set) p.revents = 0;
        benchmark::DoNotOptimize(::poll(set.data(), set.size(), 0));
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Turn64Idle/bare_poll", Turn64IdleBare)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Turn64Idle/poll_manager", Turn64IdleManager)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
