#include "PreservePipeIo.h"

#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace portlib {

namespace {

using namespace platform;

struct Pending {
    std::mutex mutex;
    std::unordered_map<int, std::string> bytes;  // unread rest of the last message, per descriptor
};

Pending& Table() {
    static Pending table;  // initialised once, thread-safe
    return table;
}

int MapErrno(int err) {
    switch (err) {
    case EPIPE:
    case ECONNRESET:
    case ENOTCONN: return HV_ERROR_NO_DATA;
    case EBADF:
    case ENOTSOCK: return HV_ERROR_BAD_PIPE;
    case ENOMEM:
    case ENOBUFS: return HV_ERROR_NOT_ENOUGH_MEMORY;
    default: return HV_ERROR_BAD_PIPE;
    }
}

// Next whole message into *msg. 0; 1 at end of stream; else a Win32 error.
int ReceiveMessage(int fd, std::string* msg) {
    for (;;) {
        ssize_t len = ::recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC);
        if (len < 0) {
            if (errno == EINTR) continue;
            return errno == ECONNRESET ? 1 : MapErrno(errno);
        }
        // recv gives 0 both at the end of the stream and for an empty message;
        // the service never sends an empty one, so 0 is the end.
        if (len == 0) return 1;
        if (static_cast<std::size_t>(len) > PreservePipeIo::kMaxMessage) return HV_ERROR_INVALID_DATA;
        msg->assign(static_cast<std::size_t>(len), '\0');
        ssize_t got;
        do {
            got = ::recv(fd, msg->data(), msg->size(), 0);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return MapErrno(errno);
        msg->resize(static_cast<std::size_t>(got));
        return 0;
    }
}

}  // namespace

void PreservePipeIo::Adopt(int fd) {
    Pending& t = Table();
    std::lock_guard<std::mutex> guard(t.mutex);
    t.bytes.erase(fd);
}

void PreservePipeIo::Close(int fd) {
    if (fd < 0) return;
    {
        Pending& t = Table();
        std::lock_guard<std::mutex> guard(t.mutex);
        t.bytes.erase(fd);
    }
    ::close(fd);
}

int PreservePipeIo::Write(int fd, const void* data, std::size_t n) {
    for (;;) {
        ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return MapErrno(errno);
        }
        return static_cast<std::size_t>(sent) == n ? HV_ERROR_SUCCESS : -1;
    }
}

int PreservePipeIo::WriteWord(int fd, DWORD word) {
    unsigned char b[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                          static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
    return Write(fd, b, sizeof b);
}

int PreservePipeIo::ReadExact(int fd, void* data, std::size_t n) {
    unsigned char* out = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    Pending& t = Table();
    while (done < n) {
        {
            std::lock_guard<std::mutex> guard(t.mutex);
            auto it = t.bytes.find(fd);
            if (it != t.bytes.end() && !it->second.empty()) {
                std::size_t take = std::min(n - done, it->second.size());
                std::memcpy(out + done, it->second.data(), take);
                it->second.erase(0, take);
                done += take;
                continue;
            }
        }
        std::string msg;
        int rc = ReceiveMessage(fd, &msg);
        if (rc == 1) return done == 0 ? HV_ERROR_BROKEN_PIPE : -1;
        if (rc != 0) return rc;
        std::lock_guard<std::mutex> guard(t.mutex);
        t.bytes[fd] += msg;
    }
    return HV_ERROR_SUCCESS;
}

int PreservePipeIo::ReadWord(int fd, DWORD* word) {
    unsigned char b[4];
    int rc = ReadExact(fd, b, sizeof b);
    if (rc != 0) return rc;
    *word = static_cast<DWORD>(b[0]) | static_cast<DWORD>(b[1]) << 8 | static_cast<DWORD>(b[2]) << 16 |
            static_cast<DWORD>(b[3]) << 24;
    return HV_ERROR_SUCCESS;
}

}  // namespace portlib
