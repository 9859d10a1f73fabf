#include "platform/DeviceWrite.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

long long MonotonicMs() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

ssize_t WriteSome(int fd, bool isSocket, const char* p, std::size_t size) {
    return isSocket ? ::send(fd, p, size, MSG_NOSIGNAL) : ::write(fd, p, size);
}

}  // namespace

namespace {

// A blocking descriptor would wait inside write(2), beyond any bound: it is
// made non-blocking for the duration of one call.
class NonBlockingScope {
public:
    explicit NonBlockingScope(int fd) : fd_(fd), flags_(::fcntl(fd, F_GETFL)) {
        if (flags_ >= 0 && !(flags_ & O_NONBLOCK)) ::fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
    }
    ~NonBlockingScope() {
        if (flags_ >= 0 && !(flags_ & O_NONBLOCK)) {
            const int saved = errno;
            ::fcntl(fd_, F_SETFL, flags_);
            errno = saved;
        }
    }
    NonBlockingScope(const NonBlockingScope&) = delete;
    NonBlockingScope& operator=(const NonBlockingScope&) = delete;

private:
    int fd_;
    int flags_;
};

}  // namespace

int DeviceWriteAll(int fd, const void* buf, std::size_t size, int stallMs, std::size_t* written) {
    std::size_t dummy = 0;
    if (!written) written = &dummy;
    *written = 0;
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    if (size != 0 && buf == nullptr) {
        errno = EINVAL;
        return -1;
    }
    struct stat st;
    const bool isSocket = ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
    NonBlockingScope nonBlocking(fd);
    const char* p = static_cast<const char*>(buf);
    long long lastProgress = MonotonicMs();
    while (*written < size) {
        ssize_t n = WriteSome(fd, isSocket, p + *written, size - *written);
        if (n > 0) {
            *written += static_cast<std::size_t>(n);
            lastProgress = MonotonicMs();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return -1;
        // Nothing taken: wait until the device has room, within the bound.
        for (;;) {
            const long long left = lastProgress + stallMs - MonotonicMs();
            if (left <= 0) {
                errno = ETIMEDOUT;
                return -1;
            }
            pollfd w{fd, POLLOUT, 0};
            int rc = ::poll(&w, 1, static_cast<int>(left));
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0) return -1;
            if (rc == 0) continue;  // the bound is checked above
            if (w.revents & POLLNVAL) {
                errno = EBADF;
                return -1;
            }
            break;  // writable, or an error that the next write reports
        }
    }
    return 0;
}

}  // namespace portlib::platform
