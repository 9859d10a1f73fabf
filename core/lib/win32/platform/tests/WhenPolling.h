// Acts on a wait from another thread: once the thread that made the object
// sleeps in a poll of the kernel (its /proc entry names the call), the
// action runs on a thread of its own. After the deadline it runs anyway, and
// SawPoll says the wait was not seen.
#pragma once

#include "platform/PollUntil.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <sys/syscall.h>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

namespace polltest {

// Whether thread tid of this process sleeps in poll, ppoll or an epoll
// wait; where the kernel does not show the call, whether it sleeps at all.
inline bool SleepsInPoll(pid_t tid) {
    const std::string task = "/proc/self/task/" + std::to_string(tid);
    std::ifstream call(task + "/syscall");
    if (call) {
        long nr = -1;
        if (!(call >> nr)) return false;  // "running"
        return nr == SYS_poll || nr == SYS_ppoll || nr == SYS_epoll_wait || nr == SYS_epoll_pwait;
    }
    std::ifstream stat(task + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t end = text.rfind(')');
    return end != std::string::npos && end + 2 < text.size() && text[end + 2] == 'S';
}

class WhenPolling {
public:
    explicit WhenPolling(std::function<void()> act, int deadlineMs = 20000)
        : waiter_(::gettid()), thread_([this, act = std::move(act), deadlineMs] {
              sawPoll_ = portlib::platform::PollUntil([this] { return SleepsInPoll(waiter_); }, deadlineMs, 1);
              act();
          }) {}
    ~WhenPolling() { Join(); }
    WhenPolling(const WhenPolling&) = delete;
    WhenPolling& operator=(const WhenPolling&) = delete;

    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    // Joins; true when the action waited for the poll, false after the deadline.
    bool SawPoll() {
        Join();
        return sawPoll_;
    }

private:
    const pid_t waiter_;
    std::atomic<bool> sawPoll_{false};
    std::thread thread_;
};

}  // namespace polltest
