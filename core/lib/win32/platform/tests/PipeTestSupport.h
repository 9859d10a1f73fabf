// Helpers for the named-pipe tests: a fresh system directory per test, child
// processes with bounded waits that are never left behind, small I/O helpers.
#pragma once

#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pipetest {

// HV_SYSTEM_DIR set to a new short directory under /tmp for the test's life.
class TempSystemDir {
public:
    TempSystemDir() {
        char tmpl[] = "/tmp/hvpXXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        root_ = tmpl;
        const char* old = std::getenv("HV_SYSTEM_DIR");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("HV_SYSTEM_DIR", root_.c_str(), 1);
    }
    ~TempSystemDir() {
        if (had_) ::setenv("HV_SYSTEM_DIR", old_.c_str(), 1); else ::unsetenv("HV_SYSTEM_DIR");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
    bool had_ = false;
    std::string old_;
};

// A forked child running fn; its exit status is fn's result. Killed and
// reaped at the latest when the guard goes.
class Child {
public:
    explicit Child(const std::function<int()>& fn) {
        pid_ = ::fork();
        if (pid_ == 0) {
            int rc = fn();
            ::_exit(rc);
        }
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // The child's exit code, or -1 when it did not end within timeoutMs
    // (it is then killed) or ended by a signal.
    int Wait(int timeoutMs = 10000) {
        if (pid_ <= 0) return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        for (;;) {
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) break;
            if (r < 0 && errno != EINTR) return -1;
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

// A one-byte signal between parent and child over an ordinary pipe(2).
class Gate {
public:
    Gate() {
        if (::pipe2(fds_, O_CLOEXEC) != 0) std::abort();
    }
    ~Gate() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    void Open() { (void)!::write(fds_[1], "x", 1); }
    // True when opened within timeoutMs.
    bool WaitOpen(int timeoutMs = 10000) {
        pollfd p{fds_[0], POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return false;
        char c;
        return ::read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2] = {-1, -1};
};

// Deterministic payload: byte i of message `seed`.
inline std::string Payload(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + 1) & 0xFF);
    return s;
}

inline int WriteAll(int fd, const std::string& msg) {
    std::size_t written = 0;
    return portlib::platform::PipeWrite(fd, msg.data(), msg.size(), &written);
}

// Waits (bounded) until fd is readable as the layer sees it; returns the
// filtered revents (0 on time-out).
inline short WaitReadable(int fd, int timeoutMs = 10000) {
    pollfd p{fd, POLLIN, 0};
    int wait = portlib::platform::PipeBufferedBytes(fd) ? 0 : timeoutMs;
    if (::poll(&p, 1, wait) < 0) return 0;
    return portlib::platform::PipeFilterRevents(fd, POLLIN, p.revents);
}

}  // namespace pipetest
