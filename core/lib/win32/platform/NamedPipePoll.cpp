#include "platform/NamedPipePoll.h"

#include "platform/NamedPipeSideTable.h"

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace portlib::platform {

namespace {
std::atomic<unsigned long> tailsKept{0};
}  // namespace

unsigned long PipeTailsKept() { return tailsKept.load(std::memory_order_acquire); }

void PipeNoteTailKept() { tailsKept.fetch_add(1, std::memory_order_acq_rel); }

std::size_t PipeBufferedBytes(int fd) {
    auto entry = PipeSideTable::Instance().Find(fd);
    if (!entry) return 0;
    std::lock_guard<std::mutex> lock(entry->mu);
    return entry->Held();
}

short PipeFilterRevents(int fd, short events, short revents) {
    if (revents & POLLERR) {
        // The kernel sets ECONNRESET on a socket whose peer closed with
        // data of ours unread; the peer's own messages are still queued.
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 &&
            (err == 0 || err == ECONNRESET || err == EPIPE))
            revents = static_cast<short>((revents & ~POLLERR) | POLLHUP);
    }
    if (PipeBufferedBytes(fd) != 0) {
        if (events & POLLIN) revents |= POLLIN;
        return static_cast<short>(revents & ~POLLHUP);
    }
    if (revents & POLLHUP) {
        int queued = 0;
        if (::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0)
            revents = static_cast<short>((revents & ~POLLHUP) | (events & POLLIN));
    }
    return revents;
}

}  // namespace portlib::platform
