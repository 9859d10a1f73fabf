// The consoles' utility library against the plain system calls doing the same
// work in the same run:
//   Execute:        the script runner running a trivial script (split, spawn,
//                   output pipe, pidfd wait) against posix_spawn and waitpid
//                   of the same script;
//   TestHoldervane: the service test once the daemon is confirmed (one
//                   interrogation on the control pipe) against a bare
//                   connect, 4-byte request, 4-byte reply and close on the
//                   same pipe.
#include "BenchSystemDir.h"
#include "RatioReporter.h"

#include "ControlPipeServer.h"
#include "PipeServiceControl.h"
#include "ProcessScriptRunner.h"
#include "ServiceCodes.h"
#include "ServiceTest.h"

#include "platform/NamedPipe.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

std::string gRoot;

// The real pipe query; the daemon counts as found.
class ConfirmedDaemon : public panelaid::PipeServiceControl {
public:
    bool DaemonRunning() override { return true; }
};

void BM_ExecuteOurs(benchmark::State& state) {
    panelaid::BlockingWaitPump pump;
    panelaid::ProcessScriptRunner runner([] { return gRoot; }, pump);
    for (auto _ : state)
        if (runner.Execute("/bin/trivial", "a 'b c'") != 0) std::abort();
}

void BM_ExecuteBare(benchmark::State& state) {
    const std::string path = gRoot + "/bin/trivial";
    char a[] = "a", bc[] = "b c";
    char* argv[] = {const_cast<char*>(path.c_str()), a, bc, nullptr};
    for (auto _ : state) {
        pid_t pid = -1;
        if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) std::abort();
        int st = 0;
        ::waitpid(pid, &st, 0);
        if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) std::abort();
    }
}

void BM_TestHoldervaneOurs(benchmark::State& state) {
    ConfirmedDaemon control;
    panelaid::ServiceTest test(control);
    if (test.Test() != 1) std::abort();  // confirms the daemon: the flag is clear
    for (auto _ : state)
        if (test.Test() != 1) std::abort();
}

void BM_TestHoldervaneBare(benchmark::State& state) {
    namespace pp = portlib::platform;
    for (auto _ : state) {
        int fd = -1;
        if (pp::PipeConnect(hvsvc::kControlPipeName, {0, pp::PipeReadMode::Byte, false}, &fd) != 0) std::abort();
        unsigned char word[4] = {hvsvc::kControlInterrogate, 0, 0, 0};
        std::size_t n = 0;
        pp::PipeWrite(fd, word, sizeof word, &n);
        std::size_t done = 0;
        while (done < 4 && pp::PipeRead(fd, word + done, 4 - done, &n) == 0 && n > 0) done += n;
        pp::PipeClose(fd);
        if (done != 4) std::abort();
    }
}

BENCHMARK(BM_ExecuteOurs)->UseRealTime();
BENCHMARK(BM_ExecuteBare)->UseRealTime();
BENCHMARK(BM_TestHoldervaneOurs)->UseRealTime();
BENCHMARK(BM_TestHoldervaneBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir sys;
    gRoot = std::string(std::getenv("HV_SYSTEM_DIR")) + "/root";
    std::filesystem::create_directories(gRoot + "/bin");
    std::ofstream(gRoot + "/bin/trivial") << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(gRoot + "/bin/trivial", std::filesystem::perms::owner_all);

    hvsvc::ControlPipeServer control;
    if (control.Open() != 0) std::abort();
    control.Start([](std::uint32_t) { return static_cast<std::uint32_t>(hvsvc::kStateRunning); });

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("panelaid / plain system calls (real time)", {"BM_Execute", "BM_TestHoldervane"}, "Ours",
                         "Bare");
    control.Close();
    return 0;
}
