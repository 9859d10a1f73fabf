// libHVinit beside plain code doing the same work in the same run:
//   FindPid500: find_pid_by_name over 500 extra processes of one image, beside a
//               bare /proc scan that reads each process's comm;
//   Request:    one hvi_request round trip (connect, request, 256-byte reply,
//               close) beside the same exchange written straight on the
//               named-pipe layer.
// The ratio ours/plain of each pair is printed at the end.
#include "BarePipeServer.h"
#include "BenchChildren.h"
#include "BenchSystemDir.h"
#include "ProcessList.h"
#include "RatioReporter.h"
#include "libHVinit.h"
#include "platform/NamedPipe.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace portlib::platform;

namespace {

constexpr int kProcesses = 500;
constexpr const char* kBarePipe = R"(\\.\pipe\hvbenchpipe)";

std::string SelfImage() {
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) std::abort();
    exe[n] = '\0';
    const char* base = std::strrchr(exe, '/');
    return base ? base + 1 : exe;
}

// The bare scan: the last pid other than ours whose comm equals name.
int BareFind(const std::string& comm) {
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) return -1;
    const int self = ::getpid();
    int found = -1;
    while (const dirent* d = ::readdir(dir)) {
        if (!std::isdigit(static_cast<unsigned char>(d->d_name[0]))) continue;
        const int pid = std::atoi(d->d_name);
        if (pid == self) continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/comm", pid);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf - 1);
        ::close(fd);
        if (n <= 0) continue;
        buf[n] = '\0';
        buf[std::strcspn(buf, "\n")] = '\0';
        if (comm == buf) found = pid;
    }
    ::closedir(dir);
    return found;
}

void FindPid(benchmark::State& state, bool ours) {
    static BenchSleepers sleepers(kProcesses);  // 500 children with this program's image
    const std::string image = SelfImage();
    const std::string comm = image.substr(0, 15);
    for (auto _ : state) {
        const int pid = ours ? find_pid_by_name(image.c_str()) : BareFind(comm);
        if (pid <= 0) state.SkipWithError("not found");
        benchmark::DoNotOptimize(pid);
    }
}

void Request(benchmark::State& state, bool ours) {
    BenchSystemDir dir;
    BarePipeServer server(ours ? hvinit::kPipeName : kBarePipe);
    for (auto _ : state) {
        char reply[] = "checkserverready";
        const bool ok = ours ? hvi_request(reply, hvinit::kCmdSvrReady, nullptr) == 0 : BarePipeExchange(kBarePipe, "9 ");
        if (!ok) state.SkipWithError("exchange failed");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("FindPid500/plain", FindPid, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("FindPid500/hvinit", FindPid, true)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Request/plain", Request, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("Request/hvinit", Request, true)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("libHVinit / plain (real time)", {"FindPid500", "Request"}, "/hvinit", "/plain");
    benchmark::Shutdown();
    return 0;
}
