#include "platform/FdKind.h"

#include <atomic>
#include <sys/socket.h>
#include <sys/stat.h>

namespace portlib::platform {

namespace {
std::atomic<unsigned long> lookups{0};
}

unsigned long GetFdKindLookupCount() { return lookups.load(std::memory_order_relaxed); }

FdKind GetFdKind(int fd) {
    if (fd < 0) return FdKind::Invalid;
    lookups.fetch_add(1, std::memory_order_relaxed);
    struct stat st;
    if (::fstat(fd, &st) != 0) return FdKind::Invalid;
    switch (st.st_mode & S_IFMT) {
    case S_IFSOCK: {
        int domain = 0;
        socklen_t len = sizeof domain;
        if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &len) != 0) return FdKind::Other;
        return domain == AF_UNIX ? FdKind::Pipe : FdKind::NetSocket;
    }
    case S_IFIFO:
        return FdKind::Pipe;
    case S_IFCHR:
        return FdKind::Device;
    case S_IFREG:
    case S_IFDIR:
    case S_IFBLK:
        return FdKind::File;
    default:
        return FdKind::Other;
    }
}

}  // namespace portlib::platform
