// Two simulated systems, each in a network namespace of its own joined by a
// veth pair, for the end-to-end tests of paths between systems: each system
// has its namespace, its end of the pair with an address, loopback up and a
// system directory of its own. Needs root and ip(8); the fixture
// NetnsPairTest skips its tests elsewhere.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "platform/tests/TempSystemDir.h"

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

// The pair as a test fixture: PairSetup names both systems, their addresses
// and what every program of theirs finds in its environment. Each program
// of a system runs in its namespace (or beside it, for the clients that
// reach the manager through the system directory) and goes before the
// namespaces do. System is NetnsSystem or a type made from it that keeps
// more of each system.
struct PairSetup {
    std::string tag;     // namespace names: tag, the test's pid, a or b
    std::string hostA, hostB;
    std::string subnet;  // "10.231.0.": the systems are .1 and .2
    bool hostsFiles = false;  // each namespace's /etc/hosts names both systems
    EnvOverrides env;    // beyond HV_SYSTEM_DIR and MXRHOSTNAME
};

template <class System>
class NetnsPairOf : public ::testing::Test {
protected:
    NetnsPairOf() = default;
    explicit NetnsPairOf(PairSetup setup) : setup_(std::move(setup)) {}

    void SetUp() override { MakePair(); }
    // Makes the namespaces, the veth pair and the systems' directories (and
    // hosts files); skips the test where namespaces cannot be made.
    void MakePair() {
        const std::string tag = setup_.tag + std::to_string(::getpid());
        static_cast<NetnsSystem&>(a) = {tag + "a", tag + "a0", sys.Path() + "/a", setup_.hostA, setup_.subnet + "1"};
        static_cast<NetnsSystem&>(b) = {tag + "b", tag + "b0", sys.Path() + "/b", setup_.hostB, setup_.subnet + "2"};
        const std::string why = MakeNetnsPair(ip, a, b, made);
        if (!why.empty() && !made) GTEST_SKIP() << why;
        ASSERT_EQ(why, "");
        if (!setup_.hostsFiles) return;
        for (const NetnsSystem* s : {static_cast<const NetnsSystem*>(&a), static_cast<const NetnsSystem*>(&b)}) {
            // "ip netns exec" shows this file as the namespace's /etc/hosts:
            // each system's name resolves to its cluster address.
            ::mkdir("/etc/netns", 0755);
            ASSERT_EQ(::mkdir(("/etc/netns/" + s->ns).c_str(), 0755), 0);
            std::ofstream(("/etc/netns/" + s->ns + "/hosts").c_str())
                << "127.0.0.1 localhost\n" << a.addr << " " << a.host << "\n" << b.addr << " " << b.host << "\n";
        }
    }
    void TearDown() override {
        procs.clear();  // every process goes before its namespace
        if (!made) return;
        RemoveNetnsPair(ip, a, b);
        if (!setup_.hostsFiles) return;
        for (const NetnsSystem* s : {static_cast<const NetnsSystem*>(&a), static_cast<const NetnsSystem*>(&b)}) {
            std::remove(("/etc/netns/" + s->ns + "/hosts").c_str());
            ::rmdir(("/etc/netns/" + s->ns).c_str());
        }
    }
    // What a program of system s finds in its environment.
    virtual EnvOverrides EnvOf(const System& s) const {
        EnvOverrides env{{"HV_SYSTEM_DIR", s.dir}, {"MXRHOSTNAME", s.host}};
        env.insert(env.end(), setup_.env.begin(), setup_.env.end());
        return env;
    }
    // A program of system s, inside its namespace unless inNs is false.
    ChildProcess& Run(const System& s, std::vector<std::string> args, bool inNs = true) {
        if (inNs) args.insert(args.begin(), {ip, "netns", "exec", s.ns});
        const std::string base = sys.Path() + "/p" + std::to_string(++children);
        procs.push_back(std::make_unique<ChildProcess>(args, EnvOf(s), base + ".out", base + ".err"));
        return *procs.back();
    }
    // hvpo's exit status on system s.
    int Po(const System& s, std::vector<std::string> args) {
        args.insert(args.begin(), PoBin());
        ChildProcess& p = Run(s, args, false);
        const int rc = p.Wait(20000);
        EXPECT_NE(rc, -1) << "hvpo did not finish";
        return rc;
    }
    // hvpo's output on system s.
    std::string PoOut(const System& s, std::vector<std::string> args) {
        args.insert(args.begin(), PoBin());
        ChildProcess& p = Run(s, args, false);
        EXPECT_NE(p.Wait(20000), -1);
        return p.Out();
    }

    hvtest::TempSystemDir sys;
    std::string ip = IpTool();
    System a, b;
    bool made = false;
    int children = 0;
    std::vector<std::unique_ptr<ChildProcess>> procs;
    PairSetup setup_;
};

using NetnsPairTest = NetnsPairOf<NetnsSystem>;

// Waits (at most timeoutMs) until p's output holds what n times.
inline bool WaitLines(ChildProcess& p, const std::string& what, size_t n, int timeoutMs) {
    return WaitUntil([&] { return CountOf(p.Out(), what) >= n; }, timeoutMs);
}

}  // namespace mxrtest
