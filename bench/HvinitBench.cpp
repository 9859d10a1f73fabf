// libHVinit beside plain code doing the same work in the same run:
//   FindPid500: find_pid_by_name over 500 extra processes of one image, beside a
//               bare /proc scan that reads each process's comm;
//   Request:    one hvi_request round trip (connect, request, 256-byte reply,
//               close) beside the same exchange written straight on the
//               named-pipe layer.
// The ratio ours/plain of each pair is printed at the end.
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

// 500 children that wait, all with this program's image.
class Sleepers {
public:
    Sleepers() {
        for (int i = 0; i < kProcesses; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the benchmark
                if (::getppid() == 1) ::_exit(0);
                for (;;) ::pause();
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~Sleepers() {
        for (pid_t pid : pids_) ::kill(pid, SIGKILL);
        for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> pids_;
};

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
    static Sleepers sleepers;
    const std::string image = SelfImage();
    const std::string comm = image.substr(0, 15);
    for (auto _ : state) {
        const int pid = ours ? find_pid_by_name(image.c_str()) : BareFind(comm);
        if (pid <= 0) state.SkipWithError("not found");
        benchmark::DoNotOptimize(pid);
    }
}

// A server on one pipe name answering every request with a 256-byte "1".
class Server {
public:
    explicit Server(const char* name) {
        PipeListenOptions options;
        options.nonBlocking = false;
        if (listener_.Create(name, options) != 0) std::abort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~Server() {
        stop_ = true;
        thread_.join();
    }

private:
    void Serve() {
        char reply[256] = "1";
        while (!stop_) {
            int fd = -1;
            if (listener_.Accept(&fd, 50) != 0) continue;
            char buf[1024];
            std::size_t n = 0;
            if (PipeRead(fd, buf, sizeof buf, &n) == 0) (void)PipeWrite(fd, reply, sizeof reply, &n);
            PipeClose(fd);
        }
    }
    NamedPipeListener listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

bool BareExchange() {
    int fd = -1;
    if (PipeConnect(kBarePipe, {kPipeNoWait, PipeReadMode::Byte, false}, &fd) != 0) return false;
    static const char request[] = "9 ";
    char reply[17];
    std::size_t n = 0;
    bool ok = PipeWrite(fd, request, sizeof request, &n) == 0;
    pollfd p {fd, POLLIN, 0};
    ok = ok && ::poll(&p, 1, 10000) == 1 && PipeRead(fd, reply, sizeof reply - 1, &n) == 0 && n > 0;
    PipeClose(fd);
    return ok;
}

void Request(benchmark::State& state, bool ours) {
    BenchSystemDir dir;
    Server server(ours ? hvinit::kPipeName : kBarePipe);
    for (auto _ : state) {
        char reply[] = "checkserverready";
        const bool ok = ours ? hvi_request(reply, hvinit::kCmdSvrReady, nullptr) == 0 : BareExchange();
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
