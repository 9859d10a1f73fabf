#include "RouteNetlink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ipslib {

namespace {

struct AddressRequest {
    nlmsghdr header;
    ifaddrmsg ifa;
    char attributes[128];
};

void AddAttribute(AddressRequest* req, unsigned short type, const void* data, std::size_t size) {
    auto* rta = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(req) + NLMSG_ALIGN(req->header.nlmsg_len));
    rta->rta_type = type;
    rta->rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
    std::memcpy(RTA_DATA(rta), data, size);
    req->header.nlmsg_len = NLMSG_ALIGN(req->header.nlmsg_len) + RTA_ALIGN(rta->rta_len);
}

void Begin(AddressRequest* req, unsigned short type, unsigned short flags, unsigned ifindex, int prefix) {
    std::memset(req, 0, sizeof *req);
    req->header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    req->header.nlmsg_type = type;
    req->header.nlmsg_flags = static_cast<unsigned short>(NLM_F_REQUEST | NLM_F_ACK | flags);
    req->ifa.ifa_family = AF_INET;
    req->ifa.ifa_prefixlen = static_cast<unsigned char>(prefix);
    req->ifa.ifa_index = ifindex;
}

}  // namespace

RouteNetlink::RouteNetlink() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0) openError_ = errno;
}

RouteNetlink::~RouteNetlink() {
    if (fd_ >= 0) ::close(fd_);
}

int RouteNetlink::Transact(void* requests, std::size_t length, int count, int* results) {
    if (fd_ < 0) return openError_;
    const std::uint32_t first = seq_ + 1;
    for (int i = 0; i < count; ++i) {
        auto* header = reinterpret_cast<nlmsghdr*>(static_cast<char*>(requests) + i * length);
        header->nlmsg_seq = ++seq_;
        results[i] = -1;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd_, requests, length * count, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
        return errno;
    // The acknowledgements of these requests; anything else is skipped.
    alignas(nlmsghdr) char buf[8192];
    for (int pending = count; pending > 0;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        int left = static_cast<int>(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buf); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
            if (h->nlmsg_type != NLMSG_ERROR || h->nlmsg_seq < first || h->nlmsg_seq > seq_) continue;
            int& result = results[h->nlmsg_seq - first];
            if (result != -1) continue;
            result = h->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))
                         ? EPROTO
                         : -static_cast<const nlmsgerr*>(NLMSG_DATA(h))->error;
            --pending;
        }
    }
    return 0;
}

int RouteNetlink::Transact(void* request, std::size_t length) {
    int result = 0;
    const int rc = Transact(request, length, 1, &result);
    return rc != 0 ? rc : result;
}

unsigned RouteNetlink::InterfaceIndex(const std::string& name) {
    if (fd_ < 0 || name.size() >= IFNAMSIZ) {
        errno = fd_ < 0 ? openError_ : ENODEV;
        return 0;
    }
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), name.size() + 1);
    return ::ioctl(fd_, SIOCGIFINDEX, &request) == 0 ? static_cast<unsigned>(request.ifr_ifindex) : 0;
}

int RouteNetlink::AddAddress(unsigned ifindex, std::uint32_t address, int prefix, const std::string& label) {
    AddressRequest req;
    Begin(&req, RTM_NEWADDR, NLM_F_CREATE | NLM_F_REPLACE, ifindex, prefix);
    AddAttribute(&req, IFA_LOCAL, &address, sizeof address);
    AddAttribute(&req, IFA_ADDRESS, &address, sizeof address);
    if (prefix < 31) {
        const std::uint32_t hostBits = prefix == 0 ? 0xffffffffu : (0xffffffffu >> prefix);
        const std::uint32_t broadcast = address | htonl(hostBits);
        AddAttribute(&req, IFA_BROADCAST, &broadcast, sizeof broadcast);
    }
    if (label.size() >= 16) return ENAMETOOLONG;
    AddAttribute(&req, IFA_LABEL, label.c_str(), label.size() + 1);
    return Transact(&req, req.header.nlmsg_len);
}

int RouteNetlink::DeleteAllLabelled(unsigned ifindex, const std::string& label, int most) {
    if (label.size() >= 16) return ENAMETOOLONG;
    AddressRequest pair[2];
    for (AddressRequest& req : pair) {
        Begin(&req, RTM_DELADDR, 0, ifindex, 0);
        AddAttribute(&req, IFA_LABEL, label.c_str(), label.size() + 1);
    }
    const std::size_t length = NLMSG_ALIGN(pair[0].header.nlmsg_len);
    // The requests lie one after another, each padded to its aligned length.
    alignas(nlmsghdr) char batch[2 * sizeof(AddressRequest)];
    std::memcpy(batch, &pair[0], length);
    std::memcpy(batch + length, &pair[1], length);
    for (int deleted = 0; deleted < most; deleted += 2) {
        int results[2];
        if (const int rc = Transact(batch, length, 2, results); rc != 0) return rc;
        for (int r : results) {
            if (r == EADDRNOTAVAIL) return 0;
            if (r != 0) return r;
        }
    }
    return 0;
}

int RouteNetlink::DeleteAddress(unsigned ifindex, std::uint32_t address, int prefix) {
    AddressRequest req;
    Begin(&req, RTM_DELADDR, 0, ifindex, prefix);
    AddAttribute(&req, IFA_LOCAL, &address, sizeof address);
    AddAttribute(&req, IFA_ADDRESS, &address, sizeof address);
    return Transact(&req, req.header.nlmsg_len);
}

}  // namespace ipslib
