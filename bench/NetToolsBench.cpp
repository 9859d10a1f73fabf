// The network tools' work beside the bare kernel operations it is made of,
// in the same namespaces and run (needs root; two network namespaces joined
// by a veth pair, made here):
//   NameAnswer:    nameprobe's adapter status of a name that answers (a
//                  broadcast query, then a node status query to the node),
//                  beside two bare UDP round trips to the same node;
//   AddressSwitch: switching an address (remove, then add, as addrswitch
//                  does for one context), beside a bare netlink delete and
//                  add on one open socket.
// The ratio ours/bare of each pair is printed at the end.
#include "IpAddressLib.h"
#include "NameProbe.h"
#include "NbnsResponder.h"
#include "NetnsLab.h"
#include "RatioReporter.h"
#include "RouteNetlink.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

namespace {

netnslab::Namespace* here = nullptr;
netnslab::Namespace* there = nullptr;

std::string Wire(const char* name) {
    std::string n = name;
    n.resize(15, ' ');
    return n + '\0';
}

std::uint32_t Addr(const char* dotted) { return ::inet_addr(dotted); }

void NameAnswer(benchmark::State& state, bool ours) {
    netnslab::NbnsResponder responder(there->Socket(AF_INET, SOCK_DGRAM, 0), {Wire("SERVER1")});
    const auto name = nameprobe::CallName("server1");
    if (ours) {
        std::vector<nameprobe::Lana> lanas;
        nameprobe::ListLanas(&lanas);
        nameprobe::NameProbe probe(lanas);
        if (probe.ResetAll() != 0 || probe.Count() != 1) {
            state.SkipWithError("no LANA");
            return;
        }
        for (auto _ : state)
            if (!probe.AdapterStatus(0, name, 1)) state.SkipWithError("no answer");
        return;
    }
    // Bare: the same question sent straight to the node, its reply awaited, twice.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in node{};
    node.sin_family = AF_INET;
    node.sin_port = htons(137);
    node.sin_addr.s_addr = Addr("10.41.0.2");
    const auto query = nameprobe::BuildQuery(1, name, nameprobe::kTypeNb);
    char buf[1024];
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            ::sendto(fd, query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&node), sizeof node);
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) != 1 || ::recv(fd, buf, sizeof buf, 0) <= 0) state.SkipWithError("no reply");
        }
    }
    ::close(fd);
}

void AddressSwitch(benchmark::State& state, bool ours) {
    const char* addresses[] = {"10.41.0.50", "10.41.0.51"};
    int turn = 0;
    if (ours) {
        ipslib::SetIpAddress(addresses[0], "255.255.255.0", 1, "a0");
        for (auto _ : state) {
            const char* next = addresses[++turn % 2];
            if (!ipslib::SetIpAddress("0.0.0.0", "255.255.255.0", 1, "a0") ||
                !ipslib::SetIpAddress(next, "255.255.255.0", 1, "a0"))
                state.SkipWithError("switch failed");
        }
        ipslib::SetIpAddress("0.0.0.0", "255.255.255.0", 1, "a0");
        return;
    }
    ipslib::RouteNetlink netlink;
    const unsigned index = ::if_nametoindex("a0");
    netlink.AddAddress(index, Addr(addresses[0]), 24, "a0:1");
    for (auto _ : state) {
        const std::uint32_t old = Addr(addresses[turn % 2]);
        const std::uint32_t next = Addr(addresses[++turn % 2]);
        if (netlink.DeleteAddress(index, old, 24) != 0 || netlink.AddAddress(index, next, 24, "a0:1") != 0)
            state.SkipWithError("bare switch failed");
    }
    netlink.DeleteAllLabelled(index, "a0:1", 16);
}

// This thread (the one that runs the benchmarks) joins the probing side.
bool JoinHere() {
    const int ns = ::open(here->NetPath().c_str(), O_RDONLY | O_CLOEXEC);
    const bool ok = ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0;
    if (ns >= 0) ::close(ns);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    auto a = std::make_unique<netnslab::Namespace>();
    auto b = std::make_unique<netnslab::Namespace>();
    here = a.get();
    there = b.get();
    if (!a->Ok() || !b->Ok() ||
        a->Shell("ip link add a0 type veth peer name b0 netns " + std::to_string(b->Pid()) +
                 " && ip addr add 10.41.0.1/24 brd + dev a0 && ip link set a0 up") != 0 ||
        b->Shell("ip addr add 10.41.0.2/24 brd + dev b0 && ip link set b0 up") != 0 || !JoinHere()) {
        std::puts("NetToolsBench: skipped, network namespaces cannot be made here (needs root)");
        return 0;
    }
    for (const char* kind : {"bare", "ours"}) {
        const bool ours = kind[0] == 'o';
        benchmark::RegisterBenchmark((std::string("NameAnswer/") + kind).c_str(), NameAnswer, ours)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((std::string("AddressSwitch/") + kind).c_str(), AddressSwitch, ours)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("network tools / bare (real time)", {"NameAnswer", "AddressSwitch"}, "/ours", "/bare");
    benchmark::Shutdown();
    return 0;
}
