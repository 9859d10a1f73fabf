#include "platform/DescriptorPoll.h"

#include "platform/FdKind.h"
#include "platform/NamedPipePoll.h"
#include "platform/PollFilter.h"

#include <cerrno>
#include <ctime>
#include <vector>

namespace portlib::platform {

namespace {

constexpr long long kNsPerMs = 1000000;
constexpr long long kNsPerSec = 1000000000;

long long MonotonicNs() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * kNsPerSec + ts.tv_nsec;
}

// Filters one entry in place; true when poll(2) had news for it that the
// caller does not see (the entry is then left out of the wait). kind is
// null when the caller did not say: it is looked up when needed.
bool FilterEntry(pollfd& p, const FdKind* kind, short raw) {
    short seen = 0;
    if (raw != 0) {
        seen = FilterPollRevents(p.fd, kind != nullptr ? *kind : GetFdKind(p.fd), p.events, raw);
    } else if (kind == nullptr || *kind == FdKind::Pipe) {
        // What the pipe layer holds (the tail of a message, an error it
        // read): poll(2) cannot see it.
        seen = static_cast<short>(PipeHeldNews(p.fd, p.events) & (p.events | POLLERR));
    }
    p.revents = seen;
    return raw != 0 && seen == 0;
}

constinit thread_local unsigned long waitCount __attribute__((tls_model("initial-exec"))) = 0;

// The wait's own copy of the entries, reused from call to call.
std::vector<pollfd>& WaitSet() {
    thread_local std::vector<pollfd> set;
    return set;
}

}  // namespace

unsigned long GetPollWaitCount() { return waitCount; }

void CountPollWait() { ++waitCount; }

int PollDescriptors(pollfd* fds, std::size_t n, int timeoutMs) { return PollDescriptors(fds, nullptr, n, timeoutMs); }

int PollDescriptors(pollfd* fds, const FdKind* kinds, std::size_t n, int timeoutMs) {
    if (n != 0 && fds == nullptr) {
        errno = EINVAL;
        return -1;
    }
    for (std::size_t i = 0; i < n; ++i) fds[i].revents = 0;

    // Test once without waiting.
    int rc;
    do {
        rc = ::poll(fds, n, 0);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) return -1;
    std::vector<pollfd>& set = WaitSet();
    if (timeoutMs != 0) set.resize(n);
    int ready = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (fds[i].fd < 0) {
            fds[i].revents = 0;
            if (timeoutMs != 0) set[i] = {-1, 0, 0};
            continue;
        }
        const bool muted = FilterEntry(fds[i], kinds != nullptr ? &kinds[i] : nullptr, fds[i].revents);
        if (fds[i].revents != 0) ++ready;
        if (timeoutMs != 0) set[i] = {muted ? -1 : fds[i].fd, fds[i].events, 0};
    }
    if (ready > 0 || timeoutMs == 0) return ready;

    const long long deadline = timeoutMs > 0 ? MonotonicNs() + timeoutMs * kNsPerMs : 0;
    for (;;) {
        timespec left{};
        timespec* limit = nullptr;
        if (timeoutMs > 0) {
            long long ns = deadline - MonotonicNs();
            if (ns <= 0) return 0;
            left.tv_sec = static_cast<time_t>(ns / kNsPerSec);
            left.tv_nsec = static_cast<long>(ns % kNsPerSec);
            limit = &left;
        }
        ++waitCount;
        rc = ::ppoll(set.data(), n, limit, nullptr);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (rc == 0) return 0;
        for (std::size_t i = 0; i < n; ++i) {
            pollfd& w = set[i];
            if (w.revents == 0) continue;
            const short raw = w.revents;
            w.revents = 0;
            if (FilterEntry(fds[i], kinds != nullptr ? &kinds[i] : nullptr, raw)) w.fd = -1;
            if (fds[i].revents != 0) ++ready;
        }
        if (ready > 0) return ready;
    }
}

}  // namespace portlib::platform
