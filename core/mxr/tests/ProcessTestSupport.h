// Real processes for the client library's tests: a child program started
// with this test's environment plus some overrides (its own system
// directory and host name), its output in files, bounded waits, and a kill
// on the way out; the stand-in manager (hvmanager) as such a child, with
// the number of client connections it holds read from /proc.
//
// The programs' paths come from the build: HV_MANAGER_BIN, HV_PO_BIN and
// HV_STUB_AGENT_BIN.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace mxrtest {

inline const char* ManagerBin() { return HV_MANAGER_BIN; }
inline const char* PoBin() { return HV_PO_BIN; }
inline const char* StubAgentBin() { return HV_STUB_AGENT_BIN; }

// The descriptors this process holds now.
inline int OpenDescriptors() {
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

// Polls done() every 10 ms for at most timeoutMs.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

using EnvOverrides = std::vector<std::pair<std::string, std::string>>;

class ChildProcess {
public:
    // Starts argv (argv[0] is a path) with stdout and stderr in the files.
    ChildProcess(const std::vector<std::string>& argv, const EnvOverrides& env, const std::string& outPath,
                 const std::string& errPath)
        : out(outPath), err(errPath) {
        std::vector<std::string> envText;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            bool replaced = false;
            for (const auto& [key, value] : env)
                if (entry.compare(0, key.size() + 1, key + "=") == 0) replaced = true;
            if (!replaced) envText.push_back(entry);
        }
        for (const auto& [key, value] : env) envText.push_back(key + "=" + value);
        std::vector<char*> args, envp;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        // Only async-signal-safe calls between fork and exec. A child must
        // not outlive a test that crashes: it gets SIGTERM when the forking
        // thread (the test's) goes.
        const pid_t parent = ::getpid();
        pid = ::fork();
        if (pid == 0) {
            if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(125);
            const int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int in = ::open("/dev/null", O_RDONLY);
            if (o < 0 || e < 0 || in < 0) ::_exit(126);
            ::dup2(in, 0);
            ::dup2(o, 1);
            ::dup2(e, 2);
            ::execve(args[0], args.data(), envp.data());
            ::_exit(127);
        }
        EXPECT_GT(pid, 0) << "fork: " << std::strerror(errno);
    }
    ~ChildProcess() {
        if (Running()) {
            ::kill(pid, SIGKILL);
            Wait(5000);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid; }
    bool Running() {
        if (pid <= 0 || reaped) return false;
        int st = 0;
        const pid_t r = ::waitpid(pid, &st, WNOHANG);
        if (r == pid) {
            reaped = true;
            status = st;
            return false;
        }
        return r == 0;
    }
    // The exit code (128 + signal when killed), or -1 while it still runs
    // after timeoutMs.
    int Wait(int timeoutMs) {
        WaitUntil([&] { return !Running(); }, timeoutMs);
        if (!reaped) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // SIGTERM, then SIGKILL when it has not ended within timeoutMs.
    int Stop(int timeoutMs = 5000) {
        if (Running()) ::kill(pid, SIGTERM);
        const int rc = Wait(timeoutMs);
        if (rc != -1) return rc;
        ::kill(pid, SIGKILL);
        Wait(5000);
        return -1;
    }
    std::string Out() const { return ReadFile(out); }
    std::string Err() const { return ReadFile(err); }

private:
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    std::string out, err;
};

// hvmanager on a system directory, under a host name; delayMs > 0 starts
// it that much later (through /bin/sh, which then becomes the manager).
class ManagerProcess {
public:
    ManagerProcess(const std::string& sysDir, const std::string& host, int delayMs = 0, EnvOverrides extra = {})
        : child(delayMs > 0 ? std::vector<std::string>{"/bin/sh", "-c",
                                                       "sleep " + std::to_string(delayMs / 1000.0) + "; exec \"$0\"",
                                                       ManagerBin()}
                            : std::vector<std::string>{ManagerBin()},
                WithSystem(sysDir, host, std::move(extra)), sysDir + "/hvmanager.out", sysDir + "/hvmanager.err") {}

    static EnvOverrides WithSystem(const std::string& sysDir, const std::string& host, EnvOverrides extra) {
        extra.emplace_back("HV_SYSTEM_DIR", sysDir);
        extra.emplace_back("MXRHOSTNAME", host);
        return extra;
    }
    ~ManagerProcess() { child.Stop(); }

    bool WaitListening(int timeoutMs = 10000) {
        return WaitUntil([&] { return child.Out().find("listening") != std::string::npos || !child.Running(); },
                         timeoutMs) &&
               child.Running();
    }
    // Client connections the manager holds (its sockets but the listener).
    int Connections() {
        int sockets = 0;
        std::error_code ec;
        const std::string dir = "/proc/" + std::to_string(child.Pid()) + "/fd";
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            char target[128];
            const ssize_t n = ::readlink(entry.path().c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<size_t>(n)).rfind("socket:", 0) == 0) ++sockets;
        }
        return sockets - 1;
    }
    bool WaitConnections(int n, int timeoutMs = 10000) {
        return WaitUntil([&] { return Connections() == n; }, timeoutMs);
    }
    ChildProcess child;
};

}  // namespace mxrtest
