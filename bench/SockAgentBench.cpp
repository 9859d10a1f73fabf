// The socket agent between two systems: each system in a network namespace
// of its own joined by a veth pair, with its own directory, host name and
// hosts file, a manager and a socket agent; a TCP/IP path created on both
// sides. Measured, mailbox to mailbox across the path (a helper on system B
// sends every letter straight back): the round trip of a one-packet letter
// and the throughput of 1 MiB letters; beside them, in the same run, a bare
// TCP echo over the same veth pair. Beside them the time from the paths'
// creation until they are ALIVE on both systems, and again after system B's
// manager and agent were killed and started again. Needs root; prints a
// note and ends 0 elsewhere.
//
//     SockAgentBench [benchmark options]   the figures above
//     SockAgentBench --paths N             only the path times, N rounds of the restart
//     SockAgentBench --probe N             N one-packet round trips, nothing printed but
//                                          the time: for a system call count of agent A
//
// HV_BENCH_SOCKAGENT names another agent program to measure (an older build,
// run in alternating blocks with this one); HV_BENCH_AGENT_WRAP is put in
// front of agent A's command line, e.g. "strace -c -f -o /tmp/a5".
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LatencyLoop.h"
#include "Message.h"
#include "ProxyPostOffice.h"

extern char** environ;

namespace {

constexpr const char* kAddrA = "10.233.0.1";
constexpr const char* kAddrB = "10.233.0.2";
constexpr const char* kHostA = "BENCHA";
constexpr const char* kHostB = "BENCHB";
constexpr int kEchoPort = 7600;
constexpr std::size_t kBig = 1 << 20;

std::string nsA, nsB, dirRoot;
std::vector<pid_t> children;
pid_t managerB = -1, agentB = -1, agentA = -1;

using Clock = std::chrono::steady_clock;

const char* AgentBin() {
    const char* other = std::getenv("HV_BENCH_SOCKAGENT");
    return other != nullptr && other[0] != '\0' ? other : HV_SOCKAGENT_BIN;
}

// The agent's command line in ns, with the wrapper in front for system A.
std::vector<std::string> AgentArgs(const std::string& ns, bool wrap) {
    std::vector<std::string> args{"/usr/sbin/ip", "netns", "exec", ns};
    const char* w = std::getenv("HV_BENCH_AGENT_WRAP");
    if (wrap && w != nullptr) {
        std::istringstream words(w);
        for (std::string word; words >> word;) args.push_back(word);
    }
    for (const char* a : {AgentBin(), "-i", "1", "-k", "3"}) args.emplace_back(a);
    return args;
}

int Sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

pid_t Spawn(std::vector<std::string> args, const std::string& dir, const std::string& host, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HV_SYSTEM_DIR", dir.c_str(), 1);
        ::setenv("MXRHOSTNAME", host.c_str(), 1);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    children.push_back(pid);
    return pid;
}

int RunWait(std::vector<std::string> args, const std::string& dir, const std::string& host) {
    const pid_t pid = Spawn(std::move(args), dir, host, dirRoot + "/po.log");
    int status = 0;
    ::waitpid(pid, &status, 0);
    children.pop_back();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void TearDown(bool keepLogs = false) {
    // A wrapped agent first, through its own process: the wrapper writes its
    // figures when the agent ends.
    if (agentA > 0) {
        std::ifstream kids("/proc/" + std::to_string(agentA) + "/task/" + std::to_string(agentA) + "/children");
        for (pid_t k; kids >> k;) ::kill(k, SIGTERM);
        for (int i = 0; i < 200 && ::waitpid(agentA, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (pid_t p : children) ::kill(p, SIGTERM);
    for (pid_t p : children) ::waitpid(p, nullptr, 0);
    children.clear();
    for (const std::string& ns : {nsA, nsB}) {
        Sh("ip netns del " + ns);
        std::remove(("/etc/netns/" + ns + "/hosts").c_str());
        ::rmdir(("/etc/netns/" + ns).c_str());
    }
    if (!keepLogs) Sh("rm -rf " + dirRoot);
}

// System B's helper: every letter to "boxb" goes back to A's "boxa"; a TCP
// echo on B's address beside it.
int EchoB() {
    std::thread([] {
        const int l = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(kEchoPort);
        ::inet_pton(AF_INET, kAddrB, &sa.sin_addr);
        if (::bind(l, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(l, 4) != 0) std::abort();
        for (;;) {
            const int c = ::accept(l, nullptr, nullptr);
            if (c < 0) continue;
            ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            std::thread([c] {
                std::vector<char> buf(1 << 16);
                for (ssize_t n; (n = ::recv(c, buf.data(), buf.size(), 0)) > 0;)
                    for (ssize_t w = 0; w < n;) {
                        const ssize_t k = ::send(c, buf.data() + w, static_cast<size_t>(n - w), MSG_NOSIGNAL);
                        if (k <= 0) return;
                        w += k;
                    }
                ::close(c);
            }).detach();
        }
    }).detach();
    ProxyPostOffice po;
    po.CreateMailBox("boxb");
    std::printf("echo ready\n");
    std::fflush(stdout);
    for (;;) {
        MessagePtr m = po.RcvFromMbox("boxb", 0);
        if (m->GetLastErr() != Message::OKAY) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        po.SendToMbox(kHostA, "boxa", MessagePtr(new Message(static_cast<const char*>(m->GetDataStr()))));
    }
}

double pathsUpAfterStart = 0;

// Both systems see the other ALIVE (polled every 50 ms, at most secs).
bool AwaitAlive(int secs) {
    const std::string dirA = dirRoot + "/" + nsA, dirB = dirRoot + "/" + nsB;
    const auto end = Clock::now() + std::chrono::seconds(secs);
    while (Clock::now() < end) {
        if (RunWait({HV_PO_BIN, "alive", kHostB}, dirA, kHostA) == 0 &&
            RunWait({HV_PO_BIN, "alive", kHostA}, dirB, kHostB) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void Forget(pid_t pid) {
    for (auto it = children.begin(); it != children.end(); ++it)
        if (*it == pid) {
            children.erase(it);
            return;
        }
}

// System B's manager and agent killed, started again and its path created
// again: the seconds from the restart until both systems see the path
// ALIVE; negative when it did not come back within 60 s.
double RestartB() {
    const std::string dirB = dirRoot + "/" + nsB;
    for (pid_t p : {agentB, managerB}) {
        ::kill(p, SIGKILL);
        ::waitpid(p, nullptr, 0);
        Forget(p);
    }
    // A's side must have seen B go before the restart counts.
    const std::string dirA = dirRoot + "/" + nsA;
    for (int i = 0; i < 200 && RunWait({HV_PO_BIN, "alive", kHostB}, dirA, kHostA) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto t0 = Clock::now();
    managerB = Spawn({"/usr/sbin/ip", "netns", "exec", nsB, HV_MANAGER_BIN}, dirB, kHostB, dirRoot + "/mgrb.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    agentB = Spawn(AgentArgs(nsB, false), dirB, kHostB, dirRoot + "/agentb.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (RunWait({HV_PO_BIN, "create-path", kHostA, kHostB, kHostA, "TCPIP:7500"}, dirB, kHostB) != 0) return -1;
    if (!AwaitAlive(60)) return -1;
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

bool SetUpSystems(const char* self, bool echo = true) {
    const std::string tag = "hvb" + std::to_string(::getpid());
    nsA = tag + "a";
    nsB = tag + "b";
    char tmpl[] = "/tmp/hvsb.XXXXXX";
    dirRoot = ::mkdtemp(tmpl);
    if (Sh("ip netns add " + nsA) != 0) return false;
    Sh("ip netns add " + nsB);
    Sh("ip link add " + tag + "a0 type veth peer name " + tag + "b0");
    const std::string hosts =
        std::string("127.0.0.1 localhost\n") + kAddrA + " " + kHostA + "\n" + kAddrB + " " + kHostB + "\n";
    for (const auto& [ns, veth, addr] : {std::tuple{nsA, tag + "a0", kAddrA}, std::tuple{nsB, tag + "b0", kAddrB}}) {
        Sh("ip link set " + veth + " netns " + ns);
        Sh("ip -n " + ns + " addr add " + addr + "/24 dev " + veth);
        Sh("ip -n " + ns + " link set " + veth + " up");
        Sh("ip -n " + ns + " link set lo up");
        ::mkdir("/etc/netns", 0755);
        ::mkdir(("/etc/netns/" + ns).c_str(), 0755);
        std::ofstream(("/etc/netns/" + ns + "/hosts").c_str()) << hosts;
        ::mkdir((dirRoot + "/" + ns).c_str(), 0770);
    }
    const std::string dirA = dirRoot + "/" + nsA, dirB = dirRoot + "/" + nsB;
    Spawn({"/usr/sbin/ip", "netns", "exec", nsA, HV_MANAGER_BIN}, dirA, kHostA, dirRoot + "/mgra.log");
    managerB = Spawn({"/usr/sbin/ip", "netns", "exec", nsB, HV_MANAGER_BIN}, dirB, kHostB, dirRoot + "/mgrb.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    agentA = Spawn(AgentArgs(nsA, true), dirA, kHostA, dirRoot + "/agenta.log");
    agentB = Spawn(AgentArgs(nsB, false), dirB, kHostB, dirRoot + "/agentb.log");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto t0 = Clock::now();
    if (RunWait({HV_PO_BIN, "create-path", kHostB, kHostA, kHostB, "TCPIP:7500"}, dirA, kHostA) != 0 ||
        RunWait({HV_PO_BIN, "create-path", kHostA, kHostB, kHostA, "TCPIP:7500"}, dirB, kHostB) != 0) {
        std::fprintf(stderr, "SockAgentBench: create-path failed\n");
        return false;
    }
    if (!AwaitAlive(60)) {
        std::fprintf(stderr, "SockAgentBench: the path did not come up\n");
        return false;
    }
    pathsUpAfterStart = std::chrono::duration<double>(Clock::now() - t0).count();
    if (!echo) return true;
    Spawn({"/usr/sbin/ip", "netns", "exec", nsB, self, "--echo-b"}, dirB, kHostB, dirRoot + "/echob.log");
    // This process is a client of system A, on A's side of the link.
    ::setenv("HV_SYSTEM_DIR", dirA.c_str(), 1);
    ::setenv("MXRHOSTNAME", kHostA, 1);
    const int fd = ::open(("/var/run/netns/" + nsA).c_str(), O_RDONLY);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) return false;
    ::close(fd);
    for (int i = 0; i < 100; ++i) {
        std::ifstream log(dirRoot + "/echob.log");
        std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        if (text.find("echo ready") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int ConnectEcho() {
    const int c = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(kEchoPort);
    ::inet_pton(AF_INET, kAddrB, &sa.sin_addr);
    if (::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return -1;
    const int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return c;
}

bool EchoBytes(int c, const std::string& out, std::string& back) {
    for (std::size_t w = 0; w < out.size();) {
        const ssize_t k = ::send(c, out.data() + w, out.size() - w, MSG_NOSIGNAL);
        if (k <= 0) return false;
        w += static_cast<std::size_t>(k);
    }
    back.resize(out.size());
    for (std::size_t r = 0; r < out.size();) {
        const ssize_t k = ::recv(c, back.data() + r, out.size() - r, 0);
        if (k <= 0) return false;
        r += static_cast<std::size_t>(k);
    }
    return back == out;
}

ProxyPostOffice* po = nullptr;

bool MailboxEcho(const std::string& text) {
    if (po->SendToMbox(kHostB, "boxb", MessagePtr(new Message(text.c_str()))) != Message::OKAY) return false;
    const MessagePtr back = po->RcvFromMbox("boxa", 0);
    return back->GetLastErr() == Message::OKAY && back->GetDataStr() == bStr(text.c_str());
}

void RoundTripMailbox(benchmark::State& state) {
    for (auto _ : state) TimeEachCall(state, 200, [] { return MailboxEcho("ping"); });
}

void RoundTripBareTcp(benchmark::State& state) {
    const int c = ConnectEcho();
    std::string back;
    const std::string ping(64, 'p');
    for (auto _ : state) TimeEachCall(state, 200, [&] { return EchoBytes(c, ping, back); });
    ::close(c);
}

void Throughput1MiBMailbox(benchmark::State& state) {
    const std::string big(kBig, 'm');
    for (auto _ : state)
        if (!MailboxEcho(big)) state.SkipWithError("letter lost or changed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kBig));
}

void Throughput1MiBBareTcp(benchmark::State& state) {
    const int c = ConnectEcho();
    const std::string big(kBig, 'm');
    std::string back;
    for (auto _ : state)
        if (!EchoBytes(c, big, back)) state.SkipWithError("echo failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kBig));
    ::close(c);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--echo-b") return EchoB();
    if (::geteuid() != 0) {
        std::printf("SockAgentBench: network namespaces need root: nothing measured\n");
        return 0;
    }
    const bool paths = argc > 2 && std::string(argv[1]) == "--paths";
    const bool probe = argc > 2 && std::string(argv[1]) == "--probe";
    const int count = paths || probe ? std::atoi(argv[2]) : 0;
    if ((paths || probe) && (count < 0 || count > 1000000)) {
        std::fprintf(stderr, "usage: SockAgentBench [--paths N | --probe N | benchmark options]\n");
        return 64;
    }
    if (!SetUpSystems(argv[0], !paths)) {
        std::fprintf(stderr, "SockAgentBench: the two systems did not come up (logs in %s)\n", dirRoot.c_str());
        TearDown(true);
        return 1;
    }
    std::printf("paths ALIVE after the start: %.2f s\n", pathsUpAfterStart);
    if (paths) {
        for (int i = 0; i < count; ++i) std::printf("paths ALIVE after B's restart: %.2f s\n", RestartB());
        TearDown();
        return 0;
    }
    {
        ProxyPostOffice proxy;
        po = &proxy;
        proxy.CreateMailBox("boxa");
        if (probe) {
            int failed = 0;
            const auto t0 = Clock::now();
            for (int i = 0; i < count; ++i) failed += MailboxEcho("ping") ? 0 : 1;
            std::printf("%d round trips in %.3f s, %d failed\n", count,
                        std::chrono::duration<double>(Clock::now() - t0).count(), failed);
        } else {
            benchmark::RegisterBenchmark("RoundTrip/Mailbox/OnePacket", RoundTripMailbox)->Iterations(1)->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark("RoundTrip/BareTcp/64B", RoundTripBareTcp)->Iterations(1)->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark("Throughput/Mailbox/1MiB", Throughput1MiBMailbox)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark("Throughput/BareTcp/1MiB", Throughput1MiBBareTcp)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMillisecond);
            benchmark::Initialize(&argc, argv);
            benchmark::RunSpecifiedBenchmarks();
        }
        po = nullptr;
    }
    TearDown();
    return 0;
}
