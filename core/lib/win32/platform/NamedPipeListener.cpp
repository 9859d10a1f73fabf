#include "platform/NamedPipeListener.h"

#include "platform/NamedPipeAccess.h"
#include "platform/NamedPipeErrno.h"
#include "platform/NamedPipeName.h"
#include "platform/NamedPipeSideTable.h"
#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace portlib::platform {

namespace {

// One descriptor held in reserve for the process. When accept fails for want
// of descriptors, the waiting connection would stay queued and keep the
// listener readable, so the loop would wake on it every turn: the reserve is
// given up for a moment to take that connection and close it.
std::mutex reserveLock;
int reserveFd = -1;

void KeepReserveDescriptor() {
    std::lock_guard<std::mutex> hold(reserveLock);
    if (reserveFd < 0) reserveFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

void ShedOneConnection(int listenFd) {
    std::lock_guard<std::mutex> hold(reserveLock);
    if (reserveFd < 0) return;
    ::close(reserveFd);
    int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c >= 0) ::close(c);
    reserveFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

// A directory of ours on the way to the sockets is 0770 whatever the umask
// was when it was made, and takes the socket group so that its members can
// reach the sockets. A group that cannot be given leaves the directory to its
// creator's group: narrower access, never wider.
void TightenDirectory(const std::string& dir, gid_t group) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != ::geteuid()) return;
    if ((st.st_mode & 07777) != 0770) ::chmod(dir.c_str(), 0770);
    if (group != static_cast<gid_t>(-1) && st.st_gid != group) (void)::chown(dir.c_str(), static_cast<uid_t>(-1), group);
}

}  // namespace

NamedPipeListener::~NamedPipeListener() { Close(); }

NamedPipeListener::NamedPipeListener(NamedPipeListener&& other) noexcept { *this = std::move(other); }

NamedPipeListener& NamedPipeListener::operator=(NamedPipeListener&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        lockFd_ = std::exchange(other.lockFd_, -1);
        ownerPid_ = other.ownerPid_;
        ownerUid_ = other.ownerUid_;
        path_ = std::move(other.path_);
        other.path_.clear();
        options_ = other.options_;
        refused_ = std::exchange(other.refused_, 0);
    }
    return *this;
}

int NamedPipeListener::Create(std::string_view name, const PipeListenOptions& options) {
    if (IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    std::string path;
    if (int rc = PipeNameToPath(name, &path)) return rc;
    KeepReserveDescriptor();
    std::string dir;
    if (int err = EnsureSystemPath(SysArea::Pipe, &dir)) return PipeErrorFromErrno(err);
    const gid_t group = PipeSocketGroup();
    TightenDirectory(dir.substr(0, dir.rfind('/')), group);  // run/, shared with the other areas
    TightenDirectory(dir, group);

    // The lock file is never removed: removing it would let two owners lock
    // two different files of the same name.
    const std::string lockPath = path + std::string(kPipeLockSuffix);
    int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0660);
    if (lockFd < 0) return PipeErrorFromErrno(errno);
    int rc = 0;
    while (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        rc = errno == EWOULDBLOCK ? HV_ERROR_PIPE_BUSY : PipeErrorFromErrno(errno);
        break;
    }
    if (rc) {
        ::close(lockFd);
        return rc;
    }

    // We own the name: a socket file still there is a dead owner's.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) rc = HV_ERROR_ACCESS_DENIED;
        else if (::unlink(path.c_str()) != 0 && errno != ENOENT) rc = PipeErrorFromErrno(errno);
    } else if (errno != ENOENT) {
        rc = PipeErrorFromErrno(errno);
    }
    int s = -1;
    if (!rc) {
        s = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (s < 0) rc = PipeErrorFromErrno(errno);
    }
    if (!rc) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        // The file's mode is set before listen(): until then nobody can connect,
        // whatever the umask made of it.
        if (::bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
            rc = errno == EADDRINUSE ? HV_ERROR_PIPE_BUSY : PipeErrorFromErrno(errno);
        else if (::chmod(path.c_str(), 0660) != 0)
            rc = PipeErrorFromErrno(errno);
        if (!rc) {
            // A group that cannot be given leaves the creator's: narrower, never wider.
            if (group != static_cast<gid_t>(-1)) (void)::chown(path.c_str(), static_cast<uid_t>(-1), group);
            if (::listen(s, options.backlog) != 0) rc = PipeErrorFromErrno(errno);
        }
        if (rc) ::unlink(path.c_str());
    }
    if (rc) {
        if (s >= 0) ::close(s);
        ::close(lockFd);
        return rc;
    }
    fd_ = s;
    lockFd_ = lockFd;
    ownerPid_ = ::getpid();
    ownerUid_ = ::geteuid();
    path_ = std::move(path);
    options_ = options;
    refused_ = 0;
    return 0;
}

bool NamedPipeListener::Admit(int fd) const {
    PipePeer peer;
    if (!PipePeerOf(fd, &peer)) return false;
    return PipePeerAllowed(peer, ownerUid_);
}

int NamedPipeListener::Accept(int* fd, int timeoutMs) {
    if (!fd) return HV_ERROR_INVALID_PARAMETER;
    *fd = -1;
    if (!IsOpen()) return HV_ERROR_INVALID_HANDLE;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    const int flags = SOCK_CLOEXEC | (options_.nonBlocking ? SOCK_NONBLOCK : 0);
    for (;;) {
        int c = ::accept4(fd_, nullptr, nullptr, flags);
        if (c >= 0) {
            if (!Admit(c)) {
                ::close(c);
                ++refused_;
                continue;
            }
            const std::size_t want = options_.outBufferSize > options_.inBufferSize ? options_.outBufferSize
                                                                                    : options_.inBufferSize;
            if (want > 0 && want < INT_MAX / 2) {
                int have = 0;
                socklen_t len = sizeof have;
                // The kernel reports twice the value it was given.
                if (::getsockopt(c, SOL_SOCKET, SO_SNDBUF, &have, &len) == 0 &&
                    static_cast<std::size_t>(have) / 2 < want) {
                    int size = static_cast<int>(want);
                    (void)::setsockopt(c, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
                }
            }
            PipeSideTable::Instance().Register(c, options_.readMode);
            *fd = c;
            return 0;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED: continue;
        case EAGAIN: break;
        case EMFILE:
        case ENFILE: {
            const int err = errno;
            ShedOneConnection(fd_);
            return PipeErrorFromErrno(err);
        }
        default: return PipeErrorFromErrno(errno);
        }
        if (timeoutMs == kPipeNoWait) return HV_ERROR_PIPE_LISTENING;
        int wait = -1;
        if (timeoutMs > 0) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return HV_ERROR_SEM_TIMEOUT;
            wait = static_cast<int>(left);
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, wait) < 0 && errno != EINTR) return PipeErrorFromErrno(errno);
    }
}

int NamedPipeListener::AcceptPending(std::vector<int>* fds) {
    if (!fds) return HV_ERROR_INVALID_PARAMETER;
    for (;;) {
        int c = -1;
        int rc = Accept(&c, kPipeNoWait);
        if (rc == HV_ERROR_PIPE_LISTENING) return 0;
        if (rc) return rc;
        fds->push_back(c);
    }
}

void NamedPipeListener::Close() {
    if (fd_ >= 0) {
        // Unlink while the lock is still ours, so no new owner's file is removed.
        if (ownerPid_ == ::getpid() && !path_.empty()) ::unlink(path_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    path_.clear();
}

}  // namespace portlib::platform
