// The manager's database link under path notices (a small program, not
// Google Benchmark). One system with the stand-in daemon, mxrcfgstore (the
// manager with its link) and a stub TLI agent whose path reports this
// program writes to the agent's command FIFO; in the same run the same
// reports against hvmanager (the manager without a database) as the
// baseline.
//
//   DEAD->done: a DEAD report until the link's mxr_comm_down has marked the
//     path failed in the database (the path's second sibling stays alive, so
//     no event command runs), beside the same report until a plain path
//     listener (hvpo watch) has printed its notice.
//   host-up during notices: the administrator's host-up answer, asked over
//     and over on a connection of its own while 1,000 notices (ALIVE and
//     DEAD in turn) go through the manager, with the link and without.
//
// Each measurement runs in a child process with its system's environment.
//   DbLinkBench [--cycles N]      (default 200 DEAD reports)
#include "AutoQdbLock.h"
#include "LogicalAddr.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "QdbStartup.h"
#include "SharedManagerPipe.h"
#include "ShmMgr.h"
#include "network.h"
#include "qdberr.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WaitForText(const std::string& path, const std::string& text, int ms) {
    for (int i = 0; i < ms / 5; ++i) {
        if (ReadAll(path).find(text) != std::string::npos) return true;
        ::usleep(5000);
    }
    return false;
}

struct Percentiles {
    double p50 = 0, p99 = 0;
};
Percentiles Of(std::vector<double> us) {
    Percentiles p;
    if (us.empty()) return p;
    std::sort(us.begin(), us.end());
    p.p50 = us[us.size() / 2];
    p.p99 = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    return p;
}

// One simulated system on a fresh directory: its processes stop with it.
class BenchSystem {
public:
    BenchSystem(const char* tag, bool withDatabase) : withDb_(withDatabase) {
        char tmpl[] = "/tmp/hvlXXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        dir_ = tmpl;
        root_ = dir_ + "/root";
        fifo_ = dir_ + "/agent.fifo";
        std::filesystem::create_directories(root_ + "/etc");
        std::filesystem::create_directories(root_ + "/config");
        std::filesystem::create_directories(root_ + "/bin");
        std::ofstream(root_ + "/etc/Holdervane") << "INITTIMEOUT=30\n";
        std::ofstream(root_ + "/config/systems") << "NODE1\x01" "A\x01\n" "NODE2\x01" "A\x01\n";
        // Two stored paths: the measured one and a sibling that stays alive.
        std::ofstream(root_ + "/config/networks") << "NODE2\x01" "TCPIP:1500\x01" "l\x01" "0\x01" "0\x01" "1\x01" "1\x01" "3\n"
                                                     "NODE2\x01" "TCPIP:1501\x01" "l\x01" "0\x01" "0\x01" "1\x01" "1\x01" "3\n";
        for (const auto& [name, target] : {std::pair<const char*, const char*>{"sh.exe", "/bin/sh"},
                                           {"nohup.exe", HV_NOHUP_BIN},
                                           {"sendevent", HV_SENDEVENT_BIN}})
            std::filesystem::create_symlink(target, root_ + "/bin/" + name);
        ::mkfifo(fifo_.c_str(), 0600);
        Enter();
        static_cast<void>(tag);
    }
    ~BenchSystem() {
        for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            ::waitpid(*it, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void Enter() const {
        ::setenv("HV_SYSTEM_DIR", dir_.c_str(), 1);
        ::setenv("TEST_ROOT", root_.c_str(), 1);
        ::setenv("TEST_UNAME", "NODE1", 1);
        ::setenv("MXRHOSTNAME", "NODE1", 1);
    }
    // The daemon and the manager (with or without the link), the agent and
    // a path listener; true when all are up and the paths created.
    bool Start() {
        Enter();
        if (withDb_) {
            Run(HV_QDB_BIN, {}, "qdb");
            Run(HV_MXRCFGSTORE_BIN, {}, "mgr");
            if (!WaitForText(Log("qdb"), "qdb: serving", 30000)) return false;
        } else {
            Run(HV_MANAGER_BIN, {}, "mgr");
            if (!WaitForText(Log("mgr"), "listening", 30000)) return false;
        }
        Run(HV_PO_BIN, {"watch"}, "watch");
        Run(HV_STUB_AGENT_BIN, {"-k", "TLI", "-c", fifo_.c_str(), "NODE1"}, "agent");
        if (!WaitForText(Log("watch"), "watching", 30000) || !WaitForText(Log("agent"), "registered", 30000))
            return false;
        if (!withDb_) {
            // Without the link the paths are created here, as the link would.
            for (const char* dev : {"TCPIP:1500", "TCPIP:1501"})
                Wait(Run(HV_PO_BIN, {"create-path", "-i", "1", "-m", "3", "NODE2", "NODE1", "NODE2", dev}, "create"));
        }
        if (!WaitForText(Log("agent"), "add-host NODE2 NODE2 TCPIP:1501 answered 0", 30000)) return false;
        fifoFd_ = ::open(fifo_.c_str(), O_WRONLY);
        Tell("outconn NODE2 TCPIP:1500 ALIVE");
        Tell("outconn NODE2 TCPIP:1501 ALIVE");
        Tell("status NODE2 TCPIP:1501 ALIVE");
        return fifoFd_ >= 0;
    }
    void Tell(const std::string& line) {
        const std::string l = line + "\n";
        if (::write(fifoFd_, l.data(), l.size()) != static_cast<ssize_t>(l.size())) std::perror("fifo");
    }
    std::string Log(const std::string& name) const { return dir_ + "/" + name + ".log"; }

private:
    pid_t Run(const char* path, std::vector<const char*> args, const std::string& name) {
        args.insert(args.begin(), path);
        args.push_back(nullptr);
        const std::string log = Log(name);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execv(path, const_cast<char**>(args.data()));
            ::_exit(127);
        }
        if (name != "create") pids_.push_back(pid);
        return pid;
    }
    static void Wait(pid_t pid) { ::waitpid(pid, nullptr, 0); }

    bool withDb_;
    std::string dir_, root_, fifo_;
    std::vector<pid_t> pids_;
    int fifoFd_ = -1;
};

// The path's netstat word in the local database, found once under the lock
// and read without it afterwards (one aligned word).
volatile std::int32_t* NetstatWord(const char* dev) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    network* n = network::getnet(ShmMgr::findDbMgr(nullptr, 0), "NODE2", dev);
    return n ? &n->netstat : nullptr;
}

bool SpinUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return true;
}

// DEAD report to the link's database change, and to a listener's notice.
void DeadToDone(int cycles) {
    BenchSystem sys("link", true);
    if (!sys.Start()) {
        std::fprintf(stderr, "DbLinkBench: the system with the link did not start\n");
        return;
    }
    set_errinfo("DbLinkBench", "bench", 0, nullptr);
    qdbinit();
    volatile std::int32_t* word = NetstatWord("TCPIP:1500");
    if (word == nullptr) {
        std::fprintf(stderr, "DbLinkBench: no stored path\n");
        return;
    }
    const std::string watch = sys.Log("watch");
    const std::string deadLine = "TCPIP:1500 TLI NODE2 NODE2 DEAD";
    std::vector<double> toDb, toListener;
    for (int i = 0; i < cycles; ++i) {
        sys.Tell("status NODE2 TCPIP:1500 ALIVE");
        if (!SpinUntil([&] { return *word != 0; }, 10000)) break;
        // Turn about: the database word alone (a read of shared memory), or
        // the listener's output alone (a read of its file), so neither wait
        // slows the other.
        const bool listener = i % 2 == 1;
        const std::size_t before = listener ? ReadAll(watch).size() : 0;
        const auto t0 = Clock::now();
        sys.Tell("status NODE2 TCPIP:1500 DEAD");
        const bool seen = listener ? SpinUntil([&] { return ReadAll(watch).find(deadLine, before) != std::string::npos; }, 10000)
                                   : SpinUntil([&] { return *word == 0; }, 10000);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        if (seen) (listener ? toListener : toDb).push_back(us);
        // The listener's notice may come before the database's change.
        SpinUntil([&] { return *word == 0; }, 10000);
    }
    const Percentiles d = Of(toDb), l = Of(toListener);
    std::printf("DEAD->done, %zu reports: link's mxr_comm_down done: median %.0f us, p99 %.0f us | "
                "plain listener's notice: median %.0f us, p99 %.0f us\n",
                toDb.size(), d.p50, d.p99, l.p50, l.p99);
}

// host-up latencies while 1,000 notices go through the manager.
void HostUpDuringNotices(bool withLink) {
    BenchSystem sys(withLink ? "link" : "plain", withLink);
    if (!sys.Start()) {
        std::fprintf(stderr, "DbLinkBench: the system did not start\n");
        return;
    }
    std::atomic<bool> stop{false};
    std::vector<double> us;
    std::thread probe([&] {
        const SynchPipeHeadPtr c = SharedManagerPipe::Connect();
        const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
        while (!stop) {
            const BaseMsgPtr req(new MxrAdminIsAnyCommPathToHostUpReqMsg(admin, bStr("NODE2"), bStr("NODE2")));
            const auto t0 = Clock::now();
            if (c->SynchWrite(req) != 0) break;
            BaseMsgPtr got;
            do {
                if (c->SynchRead(got) != 0) return;
            } while (got->IsOfType(BasePipeMsg::ClassCode));
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const auto t0 = Clock::now();
    for (int i = 0; i < 1000; ++i) sys.Tell(std::string("status NODE2 TCPIP:1500 ") + (i % 2 ? "DEAD" : "ALIVE"));
    // The notices are through once the listener has printed the last one.
    const std::string last = "TCPIP:1500 TLI NODE2 NODE2 DEAD";
    SpinUntil([&] { return ReadAll(sys.Log("watch")).find(last) != std::string::npos; }, 60000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    stop = true;
    probe.join();
    const Percentiles p = Of(us);
    std::printf("host-up during 1,000 notices, %s: %zu answers, median %.0f us, p99 %.0f us (notices through in %.0f ms)\n",
                withLink ? "mxrcfgstore with the link" : "hvmanager without it", us.size(), p.p50, p.p99, ms);
}

template <class F>
void InChild(F f) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        f();
        std::fflush(stdout);
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 200;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc) {
            cycles = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: DbLinkBench [--cycles N]\n");
            return 2;
        }
    }
    InChild([&] { DeadToDone(cycles); });
    InChild([] { HostUpDuringNotices(true); });
    InChild([] { HostUpDuringNotices(false); });
    return 0;
}
