#include "SystemdNotify.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace hvsvc {

int SystemdNotify::Send(std::string_view text) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (path == nullptr || *path == '\0') return 0;
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const std::size_t len = std::strlen(path);
    if ((path[0] != '/' && path[0] != '@') || len >= sizeof addr.sun_path) return EINVAL;
    std::memcpy(addr.sun_path, path, len);
    if (path[0] == '@') addr.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + len);
    const ssize_t n = ::sendto(fd, text.data(), text.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), size);
    const int err = n < 0 ? errno : 0;
    ::close(fd);
    return err;
}

}  // namespace hvsvc
