// The administrator proxy against the stand-in manager (hvmanager) and a
// stub agent (hvstubagent), both started by this benchmark on a fresh
// system directory:
//   CreateDeletePath: 1,000 cycles of CreateCommPath plus DeleteCommPath
//       through one proxy, each cycle timed: median and 99th percentile;
//       beside it, in the same run, 1,000 IsMboxEmpty round trips of the
//       post office proxy on the same kind of connection (the plain
//       request/answer cost the path's two agent round trips add to).
//   ClientWorlds255: 255 client worlds (stub agents) started at once; the
//       time until every one is registered (its request served and
//       answered); beside it 255 processes of /bin/true started the same
//       way (the cost of the processes alone).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "BenchSystemDir.h"
#include "LatencyLoop.h"
#include "ProxyMxrAdmin.h"
#include "ProxyPostOffice.h"

namespace {

constexpr int kCycles = 1000;
constexpr int kWorlds = 255;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

bool WaitFor(const std::string& path, const std::string& text, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadAll(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// hvmanager and one stub agent for the whole run.
struct System {
    BenchSystemDir dir;
    std::string root = std::getenv("HV_SYSTEM_DIR");
    pid_t manager = -1, agent = -1;
    System() {
        ::setenv("MXRHOSTNAME", "BENCH", 1);
        manager = Spawn({HV_MANAGER_BIN}, root + "/hvmanager.out");
        if (!WaitFor(root + "/hvmanager.out", "listening", 10000)) std::abort();
        agent = Spawn({HV_STUB_AGENT_BIN, "LA"}, root + "/agent.out");
        if (!WaitFor(root + "/agent.out", "registered", 10000)) std::abort();
    }
    ~System() {
        Stop(agent);
        Stop(manager);
    }
};

System& TheSystem() {
    static System s;
    return s;
}

void CreateDeletePath(benchmark::State& state) {
    TheSystem();
    ProxyMxrAdmin admin;
    for (auto _ : state)
        TimeEachCall(state, kCycles, [&] {
            const int created =
                admin.CreateCommPath("PEER", "LA", "PEER", CommAgentEnt::TLI, "dev", 1, 1, 3, 0, BaseMsgPtr());
            return admin.DeleteCommPath("PEER", "LA", "PEER", CommAgentEnt::TLI, "dev") == 0 && created == 0;
        });
}

void IsMboxEmptyRoundTrip(benchmark::State& state) {
    TheSystem();
    ProxyPostOffice po;
    po.CreateMailBox("rt");
    for (auto _ : state) TimeEachCall(state, kCycles, [&] { return po.IsMboxEmpty("rt") == Message::OKAY; });
    po.RemoveMailBox("rt");
}

// Starts kWorlds processes of argv + a number, waits until each output file
// holds text (none when text is empty: until each ended); their count that
// did not in 60 s goes to "unserved".
void StartMany(benchmark::State& state, const std::string& program, const std::string& text) {
    const std::string root = TheSystem().root;
    for (auto _ : state) {
        std::vector<pid_t> pids;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kWorlds; ++i) {
            const std::string out = root + "/w" + std::to_string(i) + ".out";
            // Appended in place: GCC 12 warns falsely about "W" + std::to_string(i).
            std::string alias = "W";
            alias += std::to_string(i);
            pids.push_back(text.empty() ? Spawn({program}, out) : Spawn({program, alias}, out));
        }
        int unserved = 0;
        if (text.empty()) {
            for (pid_t p : pids) {
                int status = 0;
                ::waitpid(p, &status, 0);
            }
        } else {
            for (int i = 0; i < kWorlds; ++i)
                if (!WaitFor(root + "/w" + std::to_string(i) + ".out", text, 60000)) ++unserved;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        state.counters["unserved"] = unserved;
        if (!text.empty())
            for (pid_t p : pids) Stop(p);
    }
}

void ClientWorlds255(benchmark::State& state) { StartMany(state, HV_STUB_AGENT_BIN, "registered"); }
void Processes255Baseline(benchmark::State& state) { StartMany(state, "/bin/true", ""); }

}  // namespace

BENCHMARK(CreateDeletePath)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IsMboxEmptyRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ClientWorlds255)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Processes255Baseline)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
