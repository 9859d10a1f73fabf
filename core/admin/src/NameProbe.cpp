#include "NameProbe.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nameprobe {

namespace {
constexpr std::size_t kMaxLanas = 254;
}

int ListLanas(std::vector<Lana>* lanas) {
    lanas->clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return errno;
    for (ifaddrs* a = list; a != nullptr && lanas->size() < kMaxLanas; a = a->ifa_next) {
        const unsigned flags = a->ifa_flags;
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_netmask == nullptr) continue;
        if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK)) continue;
        Lana lana;
        lana.interface = a->ifa_name;
        lana.address = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
        const std::uint32_t mask = reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr;
        lana.broadcast = lana.address | ~mask;
        lanas->push_back(lana);
    }
    ::freeifaddrs(list);
    return 0;
}

NameProbe::~NameProbe() {
    for (int fd : sockets_) ::close(fd);
}

int NameProbe::ResetAll() {
    nextId_ = static_cast<std::uint16_t>(::getpid() * 7919u);
    for (const Lana& lana : lanas_) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return errno;
        sockets_.push_back(fd);
        const int on = 1;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = lana.address;
        if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            return errno;
    }
    return 0;
}

bool NameProbe::Send(int fd, const std::vector<std::uint8_t>& packet, std::uint32_t to) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(kNameServicePort);
    peer.sin_addr.s_addr = to;
    return ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer) ==
           static_cast<ssize_t>(packet.size());
}

bool NameProbe::AwaitAnswer(int fd, std::uint16_t id, const NetbiosName& name, std::uint16_t type,
                            std::uint32_t from, std::chrono::steady_clock::time_point deadline,
                            std::uint32_t* answerer) {
    std::uint8_t buf[kMaxReply + 1];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC, reinterpret_cast<sockaddr*>(&peer),
                                     &len);
        if (n < 0 || static_cast<std::size_t>(n) > kMaxReply) continue;  // oversized: not an answer
        if (peer.sin_port != htons(kNameServicePort) || (from != 0 && peer.sin_addr.s_addr != from)) continue;
        if (!IsPositiveAnswer(buf, static_cast<std::size_t>(n), id, name, type)) continue;
        *answerer = peer.sin_addr.s_addr;
        return true;
    }
}

bool NameProbe::AdapterStatus(std::size_t i, const NetbiosName& name, int tries, std::chrono::milliseconds tryTime) {
    if (i >= sockets_.size()) return false;
    const int fd = sockets_[i];
    for (int t = 0; t < tries; ++t) {
        const std::uint16_t queryId = nextId_++;
        const auto deadline = std::chrono::steady_clock::now() + tryTime;
        if (!Send(fd, BuildQuery(queryId, name, kTypeNb), lanas_[i].broadcast)) continue;
        std::uint32_t node = 0;
        if (!AwaitAnswer(fd, queryId, name, kTypeNb, 0, deadline, &node)) continue;
        const std::uint16_t statusId = nextId_++;
        if (!Send(fd, BuildQuery(statusId, name, kTypeNbstat), node)) continue;
        std::uint32_t same = 0;
        if (AwaitAnswer(fd, statusId, name, kTypeNbstat, node, std::chrono::steady_clock::now() + tryTime, &same))
            return true;
    }
    return false;
}

}  // namespace nameprobe
