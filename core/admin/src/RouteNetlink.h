// A route netlink socket for IPv4 address changes: add an address with its
// label, delete the addresses of a label or one by value. Every request is
// acknowledged by the kernel before the call returns.
#pragma once

#include <cstdint>
#include <string>

namespace ipslib {

class RouteNetlink {
public:
    RouteNetlink();
    ~RouteNetlink();
    RouteNetlink(const RouteNetlink&) = delete;
    RouteNetlink& operator=(const RouteNetlink&) = delete;

    // 0 when the socket is open, else its errno.
    int OpenError() const { return openError_; }

    // Adds (or refreshes) an address: 0 or an errno value.
    int AddAddress(unsigned ifindex, std::uint32_t address, int prefix, const std::string& label);
    // Deletes every address carrying the label (at most `most`): 0 or an
    // errno value. Two deletions go out per write, so that the usual case,
    // one address, takes one exchange with the kernel.
    int DeleteAllLabelled(unsigned ifindex, const std::string& label, int most);
    // The interface's index (0 when there is none, errno set).
    unsigned InterfaceIndex(const std::string& name);
    // Deletes one address by value and prefix.
    int DeleteAddress(unsigned ifindex, std::uint32_t address, int prefix);

private:
    // Sends `count` requests of `length` bytes each, laid one after another,
    // and gathers their acknowledgements in `results`.
    int Transact(void* requests, std::size_t length, int count, int* results);
    int Transact(void* request, std::size_t length);

    int fd_ = -1;
    int openError_ = 0;
    std::uint32_t seq_ = 0;
};

}  // namespace ipslib
