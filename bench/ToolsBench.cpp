// The process-monitor tools beside plain programs doing the same work, each
// run as a process, in the same run:
//   Procseek200: procseek of an image that 200 extra processes carry, beside
//                pgrep -x over the same process list;
//   Status128:   hvi_status of a table of 128 monitored processes (with a
//                readiness reply from a stand-in command pipe), beside cat of
//                the table file.
// The ratio ours/plain of each pair is printed at the end.
#include "BarePipeServer.h"
#include "BenchChildren.h"
#include "BenchSystemDir.h"
#include "RatioReporter.h"
#include "libHVinit.h"
#include "platform/NamedObject.h"
#include "platform/NamedPipe.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace portlib::platform;

namespace {

constexpr int kProcesses = 200;

std::string Tool(const char* name) { return std::string(HV_TOOL_DIR) + "/" + name; }

// Runs argv to its end with its output read and dropped; its exit code.
int RunToEnd(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char buf[65536];
    while (rc == 0 && ::read(out[0], buf, sizeof buf) > 0) {
    }
    ::close(out[0]);
    int status = 0;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Procseek(benchmark::State& state, bool ours) {
    static BenchSleepers sleepers(kProcesses);
    const std::vector<std::string> argv = ours ? std::vector<std::string>{Tool("procseek"), "ToolsBench"}
                                               : std::vector<std::string>{"/usr/bin/pgrep", "-x", "ToolsBench"};
    for (auto _ : state)
        if (RunToEnd(argv) != 0) state.SkipWithError("not found");
}

void Status(benchmark::State& state, bool ours) {
    BenchSystemDir dir;
    if (hvi_shm_create() != 1) std::abort();
    auto* table = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
    std::strcpy(table->header.systemName, "BENCHHOST");
    for (int i = 0; i < hvinit::kSlotCount; ++i) {
        hvinit::HvinitSlot& s = table->slots[i];
        s.inUse = 1;
        std::snprintf(s.command, sizeof s.command, "/opt/app/bin/server%d|-c|/etc/app%d.conf", i, i);
        s.pid = 1000 + i;
        s.groupNumber = i + 1;
        std::strcpy(s.instanceName, "X");
        std::strcpy(s.fileName, "X");
        s.pollTime = 5;
        s.restartCount = 5;
        s.restartInterval = 5;
        s.restartTimeUnit = 25;
        s.state = 'M';
    }
    std::string path;
    if (NamedObjectPath(SysArea::Shm, hvinit::kShmName, &path) != 0) std::abort();
    BarePipeServer server(hvinit::kPipeName);
    const std::vector<std::string> argv =
        ours ? std::vector<std::string>{Tool("hvi_status")} : std::vector<std::string>{"/usr/bin/cat", path};
    for (auto _ : state)
        if (RunToEnd(argv) != 0) state.SkipWithError("failed");
    hvi_shm_detach(table);
    hvi_shm_remove();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Procseek200/plain", Procseek, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Procseek200/ours", Procseek, true)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Status128/plain", Status, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Status128/ours", Status, true)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("tools / plain (real time)", {"Procseek200", "Status128"}, "/ours", "/plain");
    benchmark::Shutdown();
    return 0;
}
