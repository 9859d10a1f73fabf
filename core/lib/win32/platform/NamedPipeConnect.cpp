#include "platform/NamedPipeConnect.h"

#include "platform/NamedPipeErrno.h"
#include "platform/NamedPipeMode.h"
#include "platform/NamedPipeName.h"
#include "platform/NamedPipeSideTable.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

using Clock = std::chrono::steady_clock;

int SetSendTimeout(int fd, std::chrono::milliseconds wait) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(wait.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((wait.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// connect(2) on a Unix socket waits, within SO_SNDTIMEO, while the listener's
// queue is full and wakes as soon as the listener accepts; a non-blocking
// socket gets EAGAIN at once.
int ConnectWithin(int fd, const sockaddr_un& addr, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        if (timeoutMs > 0) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return HV_ERROR_SEM_TIMEOUT;
            if (SetSendTimeout(fd, left) != 0) return PipeErrorFromErrno(errno);
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) return 0;
        switch (errno) {
        case EINTR: continue;
        case EAGAIN:
        case EINPROGRESS:
            if (timeoutMs == kPipeNoWait) return HV_ERROR_PIPE_BUSY;
            continue;  // the loop head decides whether time is left
        case ENOENT:
        case ENOTDIR:
        case ECONNREFUSED: return HV_ERROR_FILE_NOT_FOUND;
        default: return PipeErrorFromErrno(errno);
        }
    }
}

}  // namespace

int PipeConnect(std::string_view name, const PipeConnectOptions& options, int* fd, const std::string& systemDir) {
    if (!fd) return HV_ERROR_INVALID_PARAMETER;
    *fd = -1;
    if (options.timeoutMs < kPipeWaitForever) return HV_ERROR_INVALID_PARAMETER;
    std::string path;
    if (int rc = PipeNameToPath(name, &path, systemDir)) return rc;

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    int type = SOCK_SEQPACKET | SOCK_CLOEXEC;
    if (options.timeoutMs == kPipeNoWait) type |= SOCK_NONBLOCK;
    int s = ::socket(AF_UNIX, type, 0);
    if (s < 0) return PipeErrorFromErrno(errno);

    int rc = ConnectWithin(s, addr, options.timeoutMs);
    // The send time-out served the connect only; writes must not time out.
    if (rc == 0 && options.timeoutMs > 0 && SetSendTimeout(s, std::chrono::milliseconds(0)) != 0)
        rc = PipeErrorFromErrno(errno);
    if (rc == 0) rc = PipeSetBlocking(s, !options.nonBlocking);
    if (rc != 0) {
        ::close(s);
        return rc;
    }
    PipeSideTable::Instance().Register(s, options.readMode);
    *fd = s;
    return 0;
}

}  // namespace portlib::platform
