#include "platform/NamedPipeRecv.h"

#include "platform/NamedPipeErrno.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <fstream>
#include <memory>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace portlib::platform {

namespace {

// A sender's socket buffer caps its message size; SO_SNDBUF doubles the value
// it is given, up to net.core.wmem_max, so no unprivileged sender exceeds
// twice that.
std::size_t ReadSpillCapacity() {
    std::size_t wmemMax = 0;
    std::ifstream in("/proc/sys/net/core/wmem_max");
    if (!(in >> wmemMax) || wmemMax == 0) return std::size_t{8} << 20;
    std::size_t cap = 2 * wmemMax + 4096;
    return cap < (std::size_t{256} << 10) ? (std::size_t{256} << 10) : cap;
}

// Read when the library loads, before any thread: a lazily initialised
// value would leave its guard taken in a child forked while another thread
// initialises it, and the child's first read would wait for ever.
const std::size_t spillCapacity = ReadSpillCapacity();

std::size_t SpillCapacity() { return spillCapacity; }

// Allocated on first use and not zeroed: pages the kernel never writes are
// never touched.
char* SpillBuffer() {
    thread_local std::unique_ptr<char[]> area;
    if (!area) area.reset(new char[SpillCapacity()]);
    return area.get();
}

}  // namespace

const char* PipeSpillArea() { return SpillBuffer(); }

bool PipeEndOfStream(int fd) {
    pollfd p{fd, POLLRDHUP, 0};
    if (::poll(&p, 1, 0) < 0) return true;
    if (!(p.revents & (POLLRDHUP | POLLHUP))) return false;
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) != 0) return true;
    return queued == 0;
}

int PipeRecvMessage(int fd, char* buf, std::size_t size, int flags, std::size_t* length) {
    const std::size_t spill = SpillCapacity();
    iovec iov[2] = {{buf, size}, {SpillBuffer(), spill}};
    msghdr msg{};
    msg.msg_iov = iov;
    msg.msg_iovlen = 2;
    int resets = 0;
    for (;;) {
        ssize_t got = ::recvmsg(fd, &msg, flags | MSG_TRUNC);
        if (got > 0) {
            if (static_cast<std::size_t>(got) > size + spill) return HV_ERROR_INVALID_DATA;
            *length = static_cast<std::size_t>(got);
            return 0;
        }
        if (got == 0) {
            if (PipeEndOfStream(fd)) return HV_ERROR_BROKEN_PIPE;
            *length = 0;
            return 0;
        }
        switch (errno) {
        case EINTR: continue;
        // A peer that closed with our data unread leaves ECONNRESET pending;
        // the receive that reports it consumes it, and the messages the peer
        // sent before it left are still queued: read on.
        case ECONNRESET:
            if (++resets <= 2) continue;
            return HV_ERROR_BROKEN_PIPE;
        case EAGAIN: return HV_ERROR_NO_DATA;
        default: return PipeErrorFromErrno(errno);
        }
    }
}

}  // namespace portlib::platform
