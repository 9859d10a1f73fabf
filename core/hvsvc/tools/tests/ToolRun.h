// Running the tools as real processes from tests: the tool's standard output
// and standard error apart, its exit code, every wait bounded; and programs
// that hold a named object while a test works.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hvtoolstest {

inline std::string ToolPath(const std::string& tool) { return std::string(HV_TOOL_DIR) + "/" + tool; }

// The child's side of a start: with nsInit above 0, it joins the mount and
// PID namespaces of that process and runs argv as its own child there,
// where it writes "<its pid there>\n" to `announce` (when not -1); it ends
// with argv's exit code (128 + the signal for a signal); else it execs argv.
[[noreturn]] inline void ExecIn(pid_t nsInit, const std::vector<std::string>& argv, int announce = -1) {
    if (nsInit > 0) {
        // Both opened first: inside the mount namespace /proc is the other one.
        int fds[2];
        const char* kinds[2] = {"mnt", "pid"};
        for (int i = 0; i < 2; ++i) {
            const std::string path = "/proc/" + std::to_string(nsInit) + "/ns/" + kinds[i];
            fds[i] = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fds[i] < 0) ::_exit(126);
        }
        for (int fd : fds)
            if (::setns(fd, 0) != 0) ::_exit(126);
        const pid_t inner = ::fork();
        if (inner < 0) ::_exit(126);
        if (inner > 0) {
            int status = 0;
            while (::waitpid(inner, &status, 0) < 0 && errno == EINTR) {
            }
            ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        }
        if (announce >= 0) {
            // Its own pid, as the namespace numbers it.
            const std::string line = std::to_string(::getpid()) + "\n";
            (void)!::write(announce, line.data(), line.size());
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, announce);
        }
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

struct ToolResult {
    int exitCode = -1;  // -1: killed by a signal or at the time limit
    std::string out;
    std::string err;
    double seconds = 0;
};

// Runs argv (argv[0] a path) with stdin /dev/null; after timeoutMs it is
// killed. With nsInit, inside that process's namespaces (ExecIn).
inline ToolResult RunArgv(const std::vector<std::string>& argv, int timeoutMs = 20000, pid_t nsInit = 0) {
    ToolResult r;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return r;
    if (::pipe2(err, O_CLOEXEC) != 0) return r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ExecIn(nsInit, argv);
    }
    ::close(out[1]);
    ::close(err[1]);
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.exitCode = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline ToolResult RunTool(const std::string& tool, const std::vector<std::string>& args = {}, int timeoutMs = 20000) {
    std::vector<std::string> argv{ToolPath(tool)};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunArgv(argv, timeoutMs);
}

// A child that keeps running until Stop (its stdin closes); once it has
// printed its first line (optool_probe: "ready").
class Holder {
public:
    // With nsInit, argv runs in that process's namespaces and the first line
    // is its pid there.
    explicit Holder(const std::vector<std::string>& argv, bool waitForLine = true, pid_t nsInit = 0) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            // Only the program may keep its input open, or it never ends.
            ::close(in[1]);
            ::close(out[0]);
            ExecIn(nsInit, argv, nsInit > 0 ? 1 : -1);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        if (waitForLine) {
            struct pollfd p {out[0], POLLIN, 0};
            char c = 0;
            while (::poll(&p, 1, 10000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n') line_ += c;
        }
        ::close(out[0]);
    }
    ~Holder() { Stop(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    pid_t Pid() const { return pid_; }
    const std::string& FirstLine() const { return line_; }
    // Closes its input and waits (at most 10 s, then kills) for its end.
    void Stop() {
        if (stdin_ >= 0) ::close(stdin_);
        stdin_ = -1;
        if (pid_ <= 0) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                break;
            }
            ::usleep(5000);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string line_;
};

}  // namespace hvtoolstest
