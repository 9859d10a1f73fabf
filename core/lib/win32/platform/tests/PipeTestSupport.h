// Helpers for the named-pipe tests: a fresh system directory per test, child
// processes with bounded waits that are never left behind, small I/O helpers.
#pragma once

#include "platform/NamedPipe.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pipetest {

// A fresh system directory per test (TempSystemDir.h).
using hvtest::TempSystemDir;

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

// Starts `listener` on `name` with room for one waiting connection, then
// connects without waiting until its queue is full (at most 64 clients);
// *clients gets the queued descriptors. Returns what stopped it:
// HV_ERROR_PIPE_BUSY once the queue is full.
inline int ListenWithFullQueue(portlib::platform::NamedPipeListener& listener, std::string_view name,
                               std::vector<int>* clients) {
    using namespace portlib::platform;
    PipeListenOptions options;
    options.backlog = 0;
    if (int rc = listener.Create(name, options)) return rc;
    while (clients->size() < 64) {
        int fd = -1;
        if (int rc = PipeConnect(name, {kPipeNoWait, PipeReadMode::Message, false}, &fd)) return rc;
        clients->push_back(fd);
    }
    return 0;
}

// Takes every connection that comes until `result` (set by a connecting
// thread) leaves -1; *servers gets the accepted descriptors. 0 or the
// listener's error.
inline int AcceptUntilSet(portlib::platform::NamedPipeListener& listener, const std::atomic<int>& result,
                          std::vector<int>* servers) {
    while (result.load() == -1) {
        if (int rc = listener.AcceptPending(servers)) return rc;
        pollfd p{listener.fd(), POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    return 0;
}

}  // namespace pipetest
