#include "platform/NamedPipePoll.h"

#include "platform/NamedPipeSideTable.h"

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace portlib::platform {

namespace {
std::atomic<unsigned long> heldNewsCount{0};
}  // namespace

unsigned long PipeHeldNewsCount() { return heldNewsCount.load(std::memory_order_acquire); }

void PipeNoteHeldNews() { heldNewsCount.fetch_add(1, std::memory_order_acq_rel); }

std::size_t PipeBufferedBytes(int fd) {
    if (PipeSideTable::Instance().IsPlain(fd)) return 0;
    auto entry = PipeSideTable::Instance().Find(fd);
    if (!entry) return 0;
    std::lock_guard<std::mutex> lock(entry->mu);
    return entry->Held();
}

short PipeHeldNews(int fd, short events) {
    if (PipeSideTable::Instance().IsPlain(fd)) return 0;
    auto entry = PipeSideTable::Instance().Find(fd);
    if (!entry) return 0;
    std::lock_guard<std::mutex> lock(entry->mu);
    short news = 0;
    if ((events & POLLIN) && entry->Held() != 0) news |= POLLIN;
    if (entry->pendingError != 0) news |= POLLERR;
    return news;
}

short PipeFilterRevents(int fd, short events, short revents) {
    if (revents & POLLERR) {
        // The kernel sets ECONNRESET on a socket whose peer closed with
        // data of ours unread; the peer's own messages are still queued.
        // Reading SO_ERROR clears it: any other error is kept for the code
        // that acts on it.
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0) {
            if (err == 0 || err == ECONNRESET || err == EPIPE) {
                revents = static_cast<short>((revents & ~POLLERR) | POLLHUP);
            } else {
                auto entry = PipeSideTable::Instance().FindOrAdd(fd);
                {
                    std::lock_guard<std::mutex> lock(entry->mu);
                    entry->pendingError = err;
                    PipeSideTable::Instance().Note(fd, *entry);
                }
                PipeNoteHeldNews();
            }
        }
    } else if (PipeHeldNews(fd, 0) & POLLERR) {
        revents |= POLLERR;  // kept from an earlier poll, not yet taken
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
