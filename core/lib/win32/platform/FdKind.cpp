#include "platform/FdKind.h"

#include <sys/socket.h>
#include <sys/stat.h>

namespace portlib::platform {

FdKind GetFdKind(int fd) {
    if (fd < 0) return FdKind::Invalid;
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
