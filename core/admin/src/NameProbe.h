// Asks the LAN adapters (LANAs) whether a NetBIOS name answers. A LANA is an
// up IPv4 interface address that broadcasts (loopback never does). Its
// adapter status is a broadcast name query for the name, then a node status
// query to the node that answered; three tries of 750 ms each.
#pragma once

#include "NetbiosNameService.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace nameprobe {

struct Lana {
    std::string interface;
    std::uint32_t address = 0;    // network order
    std::uint32_t broadcast = 0;  // network order
};

// 0, or the errno of listing the interfaces. At most 254 LANAs.
int ListLanas(std::vector<Lana>* lanas);

class NameProbe {
public:
    static constexpr int kTries = 3;
    static constexpr std::chrono::milliseconds kTryTime{750};

    explicit NameProbe(std::vector<Lana> lanas) : lanas_(std::move(lanas)) {}
    ~NameProbe();
    NameProbe(const NameProbe&) = delete;
    NameProbe& operator=(const NameProbe&) = delete;

    std::size_t Count() const { return lanas_.size(); }
    // A socket bound to each LANA's address: 0, or the first errno.
    int ResetAll();
    // True when the name's node answered the adapter status on LANA i.
    bool AdapterStatus(std::size_t i, const NetbiosName& name, int tries = kTries,
                       std::chrono::milliseconds tryTime = kTryTime);

private:
    // Waits for the positive answer to (id, type) from `from` (any when 0);
    // other datagrams are dropped. Its sender in *answerer.
    bool AwaitAnswer(int fd, std::uint16_t id, const NetbiosName& name, std::uint16_t type, std::uint32_t from,
                     std::chrono::steady_clock::time_point deadline, std::uint32_t* answerer);
    bool Send(int fd, const std::vector<std::uint8_t>& packet, std::uint32_t to);

    std::vector<Lana> lanas_;
    std::vector<int> sockets_;
    std::uint16_t nextId_ = 0;
};

}  // namespace nameprobe
