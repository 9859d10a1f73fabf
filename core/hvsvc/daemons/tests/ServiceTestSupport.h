// Running the service's programs from tests: a fresh system directory with
// an installation root (registry RootDir, the stand-ins in <root>/bin, a
// computer name), commands run to their end with their output, programs left
// running as children, and bounded waits.
#pragma once

#include "TempSystemDir.h"

#include "RegHV.h"
#include "platform/ComputerName.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hvsvctest {

struct CommandResult {
    int exitCode = -1;
    std::string out;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The child's side: argv run in place of the process.
[[noreturn]] inline void ExecArgv(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Runs argv to its end (stdin /dev/null), with its standard output.
inline CommandResult RunCommand(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ExecArgv(argv);
    }
    ::close(out[1]);
    CommandResult r;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        r.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline CommandResult Ctl(const std::string& verb) { return RunCommand({HV_HVSVCCTL_BIN, verb}); }

// Starts argv as a child (stdin a pipe the test holds: closing it ends an
// hvinit_probe "wait").
struct Child {
    pid_t pid = -1;
    int stdinFd = -1;
};

inline Child Spawn(const std::vector<std::string>& argv) {
    int in[2];
    Child c;
    if (::pipe2(in, O_CLOEXEC) != 0) return c;
    c.pid = ::fork();
    if (c.pid == 0) {
        ::dup2(in[0], 0);
        ExecArgv(argv);
    }
    ::close(in[0]);
    c.stdinFd = in[1];
    return c;
}

// The child's wait status, or -1 when it did not end within timeoutMs.
inline int WaitChild(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return status;
        if (r < 0 || std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline void Reap(Child& c) {
    if (c.stdinFd >= 0) ::close(c.stdinFd);
    c.stdinFd = -1;
    if (c.pid > 0 && WaitChild(c.pid, 0) == -1) {
        ::kill(c.pid, SIGKILL);
        ::waitpid(c.pid, nullptr, 0);
    }
    c.pid = -1;
}

// True once `done` holds, checking every 10 ms for at most timeoutMs.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A system directory with an installation: <sys>/root, its bin/ holding the
// stand-ins, RootDir in the registry, computer name TESTHOST.
class Installation {
public:
    Installation() {
        root_ = sys_.Path() + "/root";
        std::filesystem::create_directories(root_ + "/bin");
        std::filesystem::create_directories(root_ + "/tmp");
        for (const char* name : {"hvstop.exe", "inh_failover.ksh"})
            std::filesystem::copy_file(std::string(HV_STANDIN_DIR) + "/" + name, root_ + "/bin/" + name);
        EXPECT_EQ(portlib::RegHVSetStr("General", "RootDir", root_.c_str(), portlib::HV_REG_SZ), 0);
        EXPECT_EQ(portlib::platform::ComputerName::Set("TESTHOST"), 0);
    }
    const std::string& Root() const { return root_; }
    const std::string& Sys() const { return sys_.Path(); }
    std::string StandinLog() const { return ReadText(root_ + "/tmp/standins.log"); }

private:
    hvtest::TempSystemDir sys_;
    std::string root_;
};

}  // namespace hvsvctest
