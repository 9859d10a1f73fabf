#include "platform/PollFilter.h"

#include "platform/NamedPipePoll.h"

#include <poll.h>
#include <sys/ioctl.h>

namespace portlib::platform {

namespace {

int QueuedBytes(int fd) {
    int queued = 0;
    return ::ioctl(fd, FIONREAD, &queued) == 0 ? queued : 0;
}

}  // namespace

short FilterPollRevents(int fd, FdKind kind, short events, short revents) {
    if (revents & POLLNVAL) return 0;
    const short wanted = static_cast<short>(events & (POLLIN | POLLOUT));
    short out = 0;
    switch (kind) {
    case FdKind::Invalid:
    case FdKind::File:
        return 0;
    case FdKind::Pipe:
        out = PipeFilterRevents(fd, events, revents);
        // Reported only once everything has been read: nothing is readable.
        if (out & POLLHUP) out = static_cast<short>(out & ~POLLIN);
        break;
    case FdKind::NetSocket:
        out = static_cast<short>(revents & ~POLLHUP);
        if ((revents & POLLHUP) && !(revents & POLLERR)) out |= static_cast<short>(wanted & POLLIN);
        break;
    case FdKind::Device:
        if (revents & POLLHUP) {
            // A hung-up tty reports everything at once (a write would fail
            // with EIO); only bytes still queued are worth a look. A caller
            // that asked for the hang-up (POLLHUP in events) is told, and
            // must stop polling the line.
            out = (wanted & POLLIN) && QueuedBytes(fd) > 0 ? POLLIN : 0;
            if (events & POLLHUP) out = static_cast<short>(out | POLLHUP);
        } else {
            out = revents;
        }
        break;
    case FdKind::Other:
        out = revents;
        break;
    }
    return static_cast<short>(out & (wanted | POLLERR | POLLHUP));
}

}  // namespace portlib::platform
