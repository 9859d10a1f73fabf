#include "SockPeerTable.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>

#include <algorithm>
#include <chrono>

#include "SockNetConfig.h"

namespace {
struct Peer {
    std::string device;
    std::string alias;
    std::string system;
    std::uint32_t addr = 0;
};

std::vector<Peer>& Peers() {
    static std::vector<Peer> peers;
    return peers;
}

std::chrono::steady_clock::time_point& LastResolve() {
    static std::chrono::steady_clock::time_point at;
    return at;
}

constexpr auto kResolveGap = std::chrono::seconds(5);

std::string Text(const bStr& s) {
    const char* p = static_cast<const char*>(s);
    return p != nullptr ? std::string(p) : std::string();
}

void ResolveAll() {
    for (Peer& p : Peers()) p.addr = ResolveHostAddress(p.alias.c_str());
    LastResolve() = std::chrono::steady_clock::now();
}

std::vector<std::string> MatchAt(const std::string& device, std::uint32_t addr) {
    std::vector<std::string> out;
    for (const Peer& p : Peers())
        if (p.device == device && p.addr != 0 && p.addr == addr) out.push_back(p.system);
    return out;
}
}  // namespace

void SockPeerAdd(const bStr& device, const bStr& alias, const bStr& system) {
    Peer p{Text(device), Text(alias), Text(system), 0};
    p.addr = ResolveHostAddress(p.alias.c_str());
    Peers().push_back(std::move(p));
}

void SockPeerRemove(const bStr& device, const bStr& alias, const bStr& system) {
    std::vector<Peer>& peers = Peers();
    const auto it = std::find_if(peers.begin(), peers.end(), [&](const Peer& p) {
        return p.device == Text(device) && p.alias == Text(alias) && p.system == Text(system);
    });
    if (it != peers.end()) peers.erase(it);
}

bool SockPeerAnyOn(const bStr& device) {
    const std::string d = Text(device);
    return std::any_of(Peers().begin(), Peers().end(), [&](const Peer& p) { return p.device == d; });
}

void SockPeerClear() { Peers().clear(); }

std::vector<std::string> SockPeerSystemsAt(const bStr& device, std::uint32_t addr) {
    const std::string d = Text(device);
    std::vector<std::string> found = MatchAt(d, addr);
    if (found.empty() && std::chrono::steady_clock::now() - LastResolve() >= kResolveGap) {
        // A peer's address may have changed since its path was added.
        ResolveAll();
        found = MatchAt(d, addr);
    }
    return found;
}

std::vector<std::string> SockPeerSystemsOf(const bStr& device, const bStr& alias) {
    std::vector<std::string> out;
    for (const Peer& p : Peers())
        if (p.device == Text(device) && p.alias == Text(alias)) out.push_back(p.system);
    return out;
}

bool SockPeerNamed(const std::vector<std::string>& systems, const bStr& name) {
    const std::string n = Text(name);
    if (n.empty()) return false;
    return std::any_of(systems.begin(), systems.end(),
                       [&](const std::string& s) { return ::strcasecmp(s.c_str(), n.c_str()) == 0; });
}

std::string SockAddrText(std::uint32_t addr, std::uint16_t port) {
    char dotted[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = addr;
    ::inet_ntop(AF_INET, &a, dotted, sizeof dotted);
    return std::string(dotted) + ":" + std::to_string(ntohs(port));
}
