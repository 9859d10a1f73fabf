// The HV-init monitor beside plain code doing the same work in the same run:
//   Pass128:   one monitoring pass over 128 in-use slots whose processes run,
//              beside 128 bare zero-time polls of their pidfds;
//   Restart:   one RECOVER start (a look for the program in /proc, fork, exec,
//              pidfd) beside a bare fork, exec and pidfd_open;
//   Request:   one request through the command pipe's server and dispatcher
//              (connect, request, 256-byte reply, close) beside the same
//              exchange on a bare named-pipe server.
// The ratio ours/plain of each pair is printed at the end.
#include "BarePipeServer.h"
#include "BenchChildren.h"
#include "BenchSystemDir.h"
#include "HvinitDispatcher.h"
#include "HvinitMonitor.h"
#include "HvinitPipeServer.h"
#include "LinuxMonitorSystem.h"
#include "RatioReporter.h"
#include "SlotHandles.h"
#include "libHVinit.h"
#include "platform/NamedPipe.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace portlib::platform;

namespace {

constexpr int kSlots = 128;
constexpr const char* kBarePipe = R"(\\.\pipe\hvmonbenchpipe)";

// 128 children that wait, each with a pidfd.
class Sleepers : public BenchSleepers {
public:
    Sleepers() : BenchSleepers(kSlots) {
        for (pid_t pid : Pids()) fds.push_back(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    }
    ~Sleepers() {
        for (int fd : fds) ::close(fd);
    }
    std::vector<int> fds;
};

struct Monitor {
    BenchSystemDir dir;
    hvsvc::HvinitPaths paths = hvsvc::HvinitPaths::Under("/nonexistent");
    hvsvc::LinuxMonitorSystem system;
    std::unique_ptr<hvinit::HvinitTable> table = std::make_unique<hvinit::HvinitTable>();
    hvsvc::SlotHandles handles{table.get(), system};
    hvsvc::HvinitDispatcher dispatcher{table.get(), handles, system, paths};
    hvsvc::HvinitMonitor monitor{table.get(), handles, system, dispatcher, paths};
};

void Pass128(benchmark::State& state, bool ours) {
    Sleepers sleepers;
    Monitor m;
    for (int n = 0; n < kSlots; ++n) {
        hvinit::HvinitSlot& s = m.table->slots[n];
        s.inUse = 1;
        std::snprintf(s.command, sizeof s.command, "/bench/p%d", n);
        s.pid = sleepers.Pids()[n];
        s.state = hvinit::kStateMonitoring;
        s.pollTime = 0;  // every pass polls every slot
        s.groupNumber = 0;
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, s.pid, 0));
        m.handles.Hold(n, fd);
    }
    m.monitor.Begin();
    for (auto _ : state) {
        if (ours) {
            m.monitor.Pass();
        } else {
            int alive = 0;
            for (int fd : sleepers.fds) {
                pollfd p = {fd, POLLIN, 0};
                alive += ::poll(&p, 1, 0) == 0;
            }
            benchmark::DoNotOptimize(alive);
        }
    }
    for (int n = 0; n < kSlots; ++n)
        if (m.table->slots[n].state != hvinit::kStateMonitoring) state.SkipWithError("a slot was restarted");
}

std::string TrueCopy(const std::string& dir) {
    const std::string path = dir + "/hvbtrue";
    std::filesystem::copy_file("/bin/true", path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

void Restart(benchmark::State& state, bool ours) {
    Monitor m;
    char tmpl[] = "/tmp/hvbrXXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    const std::string program = TrueCopy(tmpl);
    hvsvc::HvinitProcessControl control(m.table.get(), m.handles, m.system);
    for (auto _ : state) {
        int pid = -1;
        int fd = -1;
        if (ours) {
            hvsvc::StartedProcess p;
            if (!control.Start(program + "|x", true, &p)) state.SkipWithError("start failed");
            pid = p.pid;
            fd = p.handle;
        } else {
            pid = ::fork();
            if (pid == 0) {
                ::execl(program.c_str(), program.c_str(), "x", nullptr);
                ::_exit(127);
            }
            fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        }
        state.PauseTiming();
        ::waitpid(pid, nullptr, 0);
        ::close(fd);
        state.ResumeTiming();
    }
    m.system.Reap();
    std::filesystem::remove_all(tmpl);
}

// The HV-init server, waiting on its listener between rounds instead of a pass.
class MonitorServer {
public:
    MonitorServer() : server_(m_.dispatcher, -1) {
        if (server_.Open() != 0) std::abort();
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd p = {server_.Fd(), POLLIN, 0};
                if (::poll(&p, 1, 50) == 1) server_.ServeWaiting();
            }
        });
    }
    ~MonitorServer() {
        stop_ = true;
        thread_.join();
        server_.Close();
    }

private:
    Monitor m_;
    hvsvc::HvinitPipeServer server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

void Request(benchmark::State& state, bool ours) {
    BenchSystemDir dir;
    std::unique_ptr<MonitorServer> monitor;
    std::unique_ptr<BarePipeServer> bare;
    if (ours) monitor = std::make_unique<MonitorServer>();
    else bare = std::make_unique<BarePipeServer>(kBarePipe);
    for (auto _ : state)
        if (!BarePipeExchange(ours ? hvinit::kPipeName : kBarePipe, "10 ")) state.SkipWithError("exchange failed");
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Pass128/plain", Pass128, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Pass128/hvinit", Pass128, true)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Restart/plain", Restart, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Restart/hvinit", Restart, true)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Request/plain", Request, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Request/hvinit", Request, true)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The monitor's console lines would drown the report: while the runs
    // last, standard output is /dev/null and the report goes to standard error.
    RatioReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(null);
    reporter.PrintRatios("HV-init monitor / plain (real time)", {"Pass128", "Restart", "Request"}, "/hvinit", "/plain");
    benchmark::Shutdown();
    return 0;
}
