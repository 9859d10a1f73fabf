#include "platform/PipeClientConnect.h"

#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace portlib::platform {

namespace {

constexpr const char kLocalPrefix[] = "\\\\.\\pipe\\";

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// Socket path of a local pipe name; a Win32 error for a name that has none.
int SocketPath(const char* pipeName, std::string* path) {
    if (pipeName == nullptr) return HV_ERROR_INVALID_PARAMETER;
    if (!StartsWithNoCase(pipeName, kLocalPrefix)) {
        // \\host\pipe\name names a pipe on another machine.
        if (pipeName[0] == '\\' && pipeName[1] == '\\') return HV_ERROR_BAD_NETPATH;
        return HV_ERROR_INVALID_PARAMETER;
    }
    const char* name = pipeName + sizeof kLocalPrefix - 1;
    if (*name == '\0') return HV_ERROR_INVALID_PARAMETER;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-') {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[c >> 4]);
            encoded.push_back(kHex[c & 0xF]);
        }
    }
    // "." and ".." would name directories, not sockets.
    if (encoded == "." || encoded == "..") return HV_ERROR_INVALID_PARAMETER;
    *path = SystemPath(SysArea::Pipe) + "/" + encoded;
    return HV_ERROR_SUCCESS;
}

}  // namespace

int PipeClientConnect(const char* pipeName, int waitMs, int* fd) {
    if (fd == nullptr) return HV_ERROR_INVALID_PARAMETER;
    *fd = -1;
    std::string path;
    int rc = SocketPath(pipeName, &path);
    if (rc != HV_ERROR_SUCCESS) return rc;
    struct sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return HV_ERROR_FILENAME_EXCED_RANGE;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
        // Non-blocking connect: a Unix-domain connect would otherwise block
        // for as long as the listener's backlog stays full.
        int s = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (s < 0) return errno == EMFILE || errno == ENFILE || errno == ENOMEM ? HV_ERROR_NOT_ENOUGH_MEMORY
                                                                                : HV_ERROR_BAD_PIPE;
        int r;
        do {
            r = ::connect(s, reinterpret_cast<const struct sockaddr*>(&addr), sizeof addr);
        } while (r != 0 && errno == EINTR);
        if (r == 0) {
            int flags = ::fcntl(s, F_GETFL);
            if (flags < 0 || ::fcntl(s, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                ::close(s);
                return HV_ERROR_BAD_PIPE;
            }
            *fd = s;
            return HV_ERROR_SUCCESS;
        }
        int err = errno;
        ::close(s);
        switch (err) {
        case ENOENT:
        case ECONNREFUSED:  // a socket file left behind by a listener that has gone
        case ENOTDIR: return HV_ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM: return HV_ERROR_ACCESS_DENIED;
        case EAGAIN: break;  // backlog full: the pipe is busy
        default: return HV_ERROR_BAD_PIPE;  // e.g. EPROTOTYPE: not a message-mode pipe
        }
        if (std::chrono::steady_clock::now() >= deadline) return HV_ERROR_SEM_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace portlib::platform
