#include "AdapterSeed.h"

#include "AdapterSettings.h"
#include "IpText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ifaddrs.h>
#include <map>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>

namespace ipslib {

namespace {

constexpr unsigned long kUnnumbered = 1ul << 20;  // labels that name no context go last

struct Labelled {
    unsigned long context;
    std::size_t seen;
    std::string address, mask;
};

// The context a label names on its adapter.
unsigned long ContextOf(const std::string& adapter, const std::string& label) {
    if (label == adapter) return 0;
    if (label.size() > adapter.size() + 1 && label.compare(0, adapter.size(), adapter) == 0 &&
        label[adapter.size()] == ':') {
        const std::string n = label.substr(adapter.size() + 1);
        if (n.size() <= 5 && n.find_first_not_of("0123456789") == std::string::npos) return std::stoul(n);
    }
    return kUnnumbered;
}

// Default gateways by interface, from the kernel's IPv4 route table.
std::map<std::string, std::vector<std::string>> DefaultGateways() {
    std::map<std::string, std::vector<std::string>> gateways;
    std::ifstream in("/proc/net/route");
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string iface, dest, gw, flags, refcnt, use, metric, mask;
        if (!(fields >> iface >> dest >> gw >> flags >> refcnt >> use >> metric >> mask)) continue;
        if (dest != "00000000" || mask != "00000000") continue;
        const auto g = static_cast<std::uint32_t>(std::strtoul(gw.c_str(), nullptr, 16));
        if (g != 0) gateways[iface].push_back(DottedQuad(g));
    }
    return gateways;
}

}  // namespace

int SeedAdapterSettings(std::vector<SeededAdapter>* seeded, std::string* error) {
    seeded->clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        *error = std::string("the interfaces cannot be listed: ") + std::strerror(errno);
        return 0;
    }
    // Adapters in index order, and each one's IPv4 addresses by label.
    std::map<unsigned, std::string> adapters;
    std::map<std::string, std::vector<Labelled>> addresses;
    std::size_t seen = 0;
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_name == nullptr || (a->ifa_flags & IFF_LOOPBACK)) continue;
        const std::string label = a->ifa_name;
        const std::string adapter = label.substr(0, label.find(':'));
        const unsigned index = ::if_nametoindex(adapter.c_str());
        if (index == 0) continue;
        adapters[index] = adapter;
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_netmask == nullptr) continue;
        const auto* addr = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        const auto* mask = reinterpret_cast<const sockaddr_in*>(a->ifa_netmask);
        addresses[adapter].push_back({ContextOf(adapter, label), seen++, DottedQuad(addr->sin_addr.s_addr),
                                      DottedQuad(mask->sin_addr.s_addr)});
    }
    ::freeifaddrs(list);

    const auto gateways = DefaultGateways();
    std::vector<std::string> bind, exports;
    for (const auto& [index, adapter] : adapters) {
        AdapterSettings s;
        s.interfaceContext = index;
        auto& mine = addresses[adapter];
        std::stable_sort(mine.begin(), mine.end(), [](const Labelled& x, const Labelled& y) {
            return x.context != y.context ? x.context < y.context : x.seen < y.seen;
        });
        for (const Labelled& l : mine) {
            s.addresses.push_back(l.address);
            s.masks.push_back(l.mask);
        }
        if (auto g = gateways.find(adapter); g != gateways.end()) s.gateways = g->second;
        if (!SetAdapterSettings(adapter, s)) {
            *error = "the settings of " + adapter + " cannot be written (more than the lists hold?)";
            return 0;
        }
        seeded->push_back({adapter, s.addresses.size()});
        bind.push_back("\\Device\\" + adapter);
        exports.push_back("\\Device\\NetBT_" + adapter);
    }
    if (!WriteMachineList(kBindKey, "Bind", bind) || !WriteMachineList(kExportKey, "Export", exports)) {
        *error = "the bound adapter lists cannot be written";
        return 0;
    }
    return 1;
}

}  // namespace ipslib
