#include "platform/DescriptorSet.h"

#include "platform/DescriptorPoll.h"
#include "platform/NamedPipePoll.h"
#include "platform/PollFilter.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

constexpr long long kNsPerMs = 1000000;

long long MonotonicNs() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

unsigned KernelBits(short events) {
    unsigned bits = 0;
    if (events & POLLIN) bits |= EPOLLIN;
    if (events & POLLOUT) bits |= EPOLLOUT;
    return bits;
}

short PollBits(unsigned bits) {
    short r = 0;
    if (bits & EPOLLIN) r |= POLLIN;
    if (bits & EPOLLOUT) r |= POLLOUT;
    if (bits & EPOLLERR) r |= POLLERR;
    if (bits & EPOLLHUP) r |= POLLHUP;
    return r;
}

}  // namespace

DescriptorSet::DescriptorSet() : epfd(::epoll_create1(EPOLL_CLOEXEC)), count(0), heldSeen(PipeHeldNewsCount()) {}

DescriptorSet::~DescriptorSet() {
    if (epfd >= 0) ::close(epfd);
}

int DescriptorSet::Count() const { return count; }

bool DescriptorSet::MayHoldNews() const { return !heldFds.empty() || PipeHeldNewsCount() != heldSeen; }

DescriptorSet::Entry* DescriptorSet::At(int fd) {
    if (fd < 0) return nullptr;
    if (static_cast<std::size_t>(fd) >= entries.size()) entries.resize(static_cast<std::size_t>(fd) + 1);
    return &entries[static_cast<std::size_t>(fd)];
}

// Brings the kernel's watch of fd in line with what its owners want.
void DescriptorSet::Sync(int fd, Entry& e) {
    const short want = e.owners > 0 && !e.muted && e.kind != FdKind::File && e.kind != FdKind::Invalid
                           ? static_cast<short>((e.wantIn ? POLLIN : 0) | (e.wantOut ? POLLOUT : 0))
                           : static_cast<short>(-1);
    e.wanted = want < 0 ? 0 : want;
    if (want == e.inKernel) return;
    if (want < 0) {
        // A descriptor closed already has left the kernel's set by itself.
        ::epoll_ctl(epfd, EPOLL_CTL_DEL, fd, nullptr);
        e.inKernel = -1;
        return;
    }
    epoll_event ev{};
    ev.events = KernelBits(want);
    ev.data.fd = fd;
    int rc = -1;
    if (e.inKernel >= 0) rc = ::epoll_ctl(epfd, EPOLL_CTL_MOD, fd, &ev);
    // Not watched yet, or closed and its number taken again meanwhile.
    if (rc != 0) rc = ::epoll_ctl(epfd, EPOLL_CTL_ADD, fd, &ev);
    if (rc != 0 && errno == EEXIST) rc = ::epoll_ctl(epfd, EPOLL_CTL_MOD, fd, &ev);
    // Refused (not open, or a kind epoll cannot watch): never ready.
    e.inKernel = rc == 0 ? want : -1;
}

void DescriptorSet::Put(int fd, short events, FdKind kind, short previousEvents) {
    Entry* e = At(fd);
    if (e == nullptr) return;
    if (previousEvents < 0) {
        if (e->owners++ == 0) ++count;
    } else {
        if (previousEvents == events && e->kind == kind) return;
        if (previousEvents & POLLIN) --e->wantIn;
        if (previousEvents & POLLOUT) --e->wantOut;
    }
    if (events & POLLIN) ++e->wantIn;
    if (events & POLLOUT) ++e->wantOut;
    e->kind = kind;
    e->muted = false;  // asked anew: its news count again
    Sync(fd, *e);
}

void DescriptorSet::Remove(int fd, short events) {
    Entry* e = At(fd);
    if (e == nullptr || e->owners == 0) return;
    if (events & POLLIN) --e->wantIn;
    if (events & POLLOUT) --e->wantOut;
    if (--e->owners == 0) {
        --count;
        e->wantIn = e->wantOut = 0;
        e->muted = false;
    }
    Sync(fd, *e);
}

void DescriptorSet::AddNews(std::vector<DescriptorNews>& out, std::size_t held, int fd, short news) {
    // The kernel reports a descriptor once per wait: only the held news
    // before it can name it already.
    for (std::size_t i = 0; i < held; ++i) {
        if (out[i].fd == fd) {
            out[i].revents = static_cast<short>(out[i].revents | news);
            return;
        }
    }
    out.push_back({fd, news});
}

int DescriptorSet::Wait(std::vector<DescriptorNews>& out, int timeoutMs) {
    out.clear();
    if (epfd < 0) return -1;

    // What the pipe layer keeps (a tail of a message, an error) is
    // invisible to the kernel. Only when it has kept news since the last
    // look are the pipes of the set looked at; the ones found are looked at
    // each wait until their news are taken.
    const unsigned long kept = PipeHeldNewsCount();
    if (kept != heldSeen) {
        heldSeen = kept;
        for (std::size_t fd = 0; fd < entries.size(); ++fd) {
            const Entry& e = entries[fd];
            if (e.owners > 0 && e.kind == FdKind::Pipe &&
                std::find(heldFds.begin(), heldFds.end(), static_cast<int>(fd)) == heldFds.end() &&
                PipeHeldNews(static_cast<int>(fd), POLLIN) != 0)
                heldFds.push_back(static_cast<int>(fd));
        }
    }
    for (std::size_t i = 0; i < heldFds.size();) {
        const int fd = heldFds[i];
        const Entry& e = entries[static_cast<std::size_t>(fd)];
        const short held = e.owners > 0 ? PipeHeldNews(fd, POLLIN) : 0;
        if (held == 0) {
            heldFds[i] = heldFds.back();
            heldFds.pop_back();
            continue;
        }
        const short news = static_cast<short>(held & (e.wanted | POLLERR));
        if (news != 0) out.push_back({fd, news});
        ++i;
    }
    const std::size_t held = out.size();
    if (held != 0) timeoutMs = 0;

    scratch.resize(sizeof(epoll_event) * static_cast<std::size_t>(std::max(count, 1)));
    auto* evs = reinterpret_cast<epoll_event*>(scratch.data());
    const long long deadline = timeoutMs > 0 ? MonotonicNs() + timeoutMs * kNsPerMs : 0;
    int wait = timeoutMs;
    for (;;) {
        if (wait != 0) CountPollWait();
        const int n = ::epoll_wait(epfd, evs, std::max(count, 1), wait);
        if (n < 0 && errno != EINTR) return -1;
        bool muted = false;
        for (int i = 0; i < n; ++i) {
            const int fd = evs[i].data.fd;
            if (fd < 0 || static_cast<std::size_t>(fd) >= entries.size()) continue;
            Entry& e = entries[static_cast<std::size_t>(fd)];
            if (e.owners == 0) continue;
            const short raw = PollBits(evs[i].events);
            const short seen = FilterPollRevents(fd, e.kind, e.wanted, raw);
            if (seen != 0) {
                AddNews(out, held, fd, seen);
            } else {
                // News the rules drop: not to end a wait again until asked anew.
                e.muted = true;
                Sync(fd, e);
                muted = true;
            }
        }
        if (!out.empty() || (n == 0 && !muted) || timeoutMs == 0) return static_cast<int>(out.size());
        // A signal, or only muted news: wait for what is left of the time.
        if (timeoutMs > 0) {
            const long long ns = deadline - MonotonicNs();
            if (ns <= 0) return 0;
            wait = static_cast<int>((ns + kNsPerMs - 1) / kNsPerMs);
        }
    }
}

}  // namespace portlib::platform
