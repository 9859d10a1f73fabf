// Starting programs and remote requests, each beside a plain baseline in the
// same run, on one system (stand-in daemon and manager of this build):
//   Launch:  200 run("true") (split line, fork, exec <root>/bin/sh.exe -c,
//            wait) against 200 posix_spawn of /bin/true and wait;
//   Request: one qdbsendremote round trip to the local daemon (private
//            mailbox made and removed, liveness asked, request, answer)
//            against one bare send to a mailbox and receive from it through
//            the same manager.
#include "BenchDatabase.h"
#include "ProxyPostOffice.h"
#include "QdbStartup.h"
#include "RatioReporter.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kStarts = 200;

void BM_Launch_Ours(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < kStarts; ++i)
            if (run("true") != 0) state.SkipWithError("run failed");
    }
}

void BM_Launch_Plain(benchmark::State& state) {
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    for (auto _ : state) {
        for (int i = 0; i < kStarts; ++i) {
            pid_t pid = 0;
            if (::posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) != 0) state.SkipWithError("spawn");
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }
}

void BM_Request_Ours(benchmark::State& state) {
    // Held for the run, as a daemon or a busy client holds it: the requests
    // share the thread's connection instead of making one each.
    ProxyPostOffice held;
    char reply[16];
    for (auto _ : state) {
        if (cfgstore::SendRemote(reply, sizeof reply, nullptr, '@', 'h', "1", 1) != 0)
            state.SkipWithError("request failed");
    }
}

void BM_Request_Plain(benchmark::State& state) {
    ProxyPostOffice po;
    po.CreateMailBox("benchbox");
    for (auto _ : state) {
        MessagePtr m(new Message("@h1"));
        po.SendToMboxAsynch("BENCH", "benchbox", m);
        MessagePtr got = po.RcvFromMbox("benchbox", 1);
        if (!got.Ok() || got->GetLastErr() != Message::OKAY) state.SkipWithError("receive failed");
    }
    po.RemoveMailBox("benchbox");
}

BENCHMARK(BM_Launch_Ours)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Launch_Plain)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Request_Ours)->MinTime(1.0)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Request_Plain)->MinTime(1.0)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir dir;
    BenchDatabase db;
    std::filesystem::create_directories(db.Root() + "/bin");
    std::filesystem::create_symlink("/bin/sh", db.Root() + "/bin/sh.exe");
    if (!db.Start("BENCH", "RemoteBench")) return 1;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("ours / plain (real time)", {"BM_Launch", "BM_Request"}, "_Ours", "_Plain");
    return 0;
}
