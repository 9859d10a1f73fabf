// Two simulated systems, each in a network namespace of its own joined by a
// veth pair, for the end-to-end tests of paths between systems: each system
// has its namespace, its end of the pair with an address, loopback up and a
// system directory of its own. Needs root and ip(8).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ProcessTestSupport.h"

namespace mxrtest {

struct NetnsSystem {
    std::string ns, veth, dir, host, addr;
};

// ip(8)'s path, or "" when there is none.
inline std::string IpTool() {
    for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
        if (::access(p, X_OK) == 0) return p;
    return "";
}

// A shell command's exit status, its output thrown away.
inline int Sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

// How often what occurs in text.
inline size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Makes both systems' namespaces, the veth pair between them and their
// directories. "" when done; else why not, and made tells whether anything
// was made (RemoveNetnsPair then takes it away).
inline std::string MakeNetnsPair(const std::string& ip, const NetnsSystem& a, const NetnsSystem& b, bool& made) {
    made = false;
    if (::geteuid() != 0 || ip.empty()) return "network namespaces need root and ip(8): skipped";
    if (Sh(ip + " netns add " + a.ns) != 0) return "network namespaces are not permitted here: skipped";
    made = true;
    if (Sh(ip + " netns add " + b.ns) != 0) return "second namespace refused";
    if (Sh(ip + " link add " + a.veth + " type veth peer name " + b.veth) != 0) return "veth pair refused";
    for (const NetnsSystem* s : {&a, &b}) {
        if (Sh(ip + " link set " + s->veth + " netns " + s->ns) != 0 ||
            Sh(ip + " -n " + s->ns + " addr add " + s->addr + "/24 dev " + s->veth) != 0 ||
            Sh(ip + " -n " + s->ns + " link set " + s->veth + " up") != 0 ||
            Sh(ip + " -n " + s->ns + " link set lo up") != 0)
            return "setting up " + s->ns + " failed";
        if (::mkdir(s->dir.c_str(), 0770) != 0) return "cannot make " + s->dir;
    }
    return "";
}

// The namespaces go (the veth pair with them); every process in them must
// have gone first.
inline void RemoveNetnsPair(const std::string& ip, const NetnsSystem& a, const NetnsSystem& b) {
    Sh(ip + " netns del " + a.ns);
    Sh(ip + " netns del " + b.ns);
}

// Waits (at most timeoutMs) until p's output holds what n times.
inline bool WaitLines(ChildProcess& p, const std::string& what, size_t n, int timeoutMs) {
    return WaitUntil([&] { return CountOf(p.Out(), what) >= n; }, timeoutMs);
}

}  // namespace mxrtest
