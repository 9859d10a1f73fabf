// Two systems, each in a network namespace of its own joined by a veth pair,
// each with its own system directory, host name and hosts file, a manager
// and a socket agent; a TCP/IP path created on both sides. The path comes
// up, carries mailbox messages both ways, dies with the link and returns
// with it, survives the other agent's death and restart, and is gone for
// good once deleted. Needs root (namespaces); skipped elsewhere.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "MxrTestSupport.h"
#include "NetnsPairSupport.h"
#include "ProcessTestSupport.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

constexpr int kHbInterval = 1;  // seconds
constexpr int kHbMaxMiss = 3;
constexpr int kDeadWithinMs = (kHbInterval * kHbMaxMiss + 1) * 1000;
constexpr const char* kPort = "7500";
// Set-up retries of 30 s run at a tenth of that here.
constexpr const char* kTimeScale = "0.1";
constexpr int kRetryMs = 3000;

std::string ShOut(const std::string& cmd) {
    std::string out;
    if (FILE* f = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
        ::pclose(f);
    }
    return out;
}

struct SockTwoSystems : NetnsPairTest {
    SockTwoSystems()
        : NetnsPairTest(PairSetup{"hvs", "SOCKA", "SOCKB", "10.232.0.", true, {{"HV_TEST_TIME_SCALE", kTimeScale}}}) {}
    ChildProcess& Agent(const NetnsSystem& s) {
        return Run(s, {HV_SOCKAGENT_BIN, "-t", "-i", std::to_string(kHbInterval), "-k", std::to_string(kHbMaxMiss)});
    }
    bool Listening(const NetnsSystem& s) {
        return ShOut(ip + " netns exec " + s.ns + " ss -ltnH").find(s.addr + ":" + kPort) != std::string::npos;
    }
};

}  // namespace

TEST_F(SockTwoSystems, APathLivesWithTheLinkAndTheAgentsAndEndsWhenDeleted) {
    ChildProcess& mgrA = Run(a, {ManagerBin()});
    ChildProcess& mgrB = Run(b, {ManagerBin()});
    ASSERT_TRUE(WaitLines(mgrA, "listening", 1, 10000)) << mgrA.Err();
    ASSERT_TRUE(WaitLines(mgrB, "listening", 1, 10000)) << mgrB.Err();
    ChildProcess& watchA = Run(a, {PoBin(), "watch"}, false);
    ChildProcess& watchB = Run(b, {PoBin(), "watch"}, false);
    ASSERT_TRUE(WaitLines(watchA, "watching", 1, 10000)) << watchA.Err();
    ASSERT_TRUE(WaitLines(watchB, "watching", 1, 10000)) << watchB.Err();
    ChildProcess& agentA = Agent(a);
    ChildProcess* agentB = &Agent(b);
    ASSERT_TRUE(WaitLines(agentA, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentA.Out() << agentA.Err();
    ASSERT_TRUE(WaitLines(*agentB, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentB->Err();

    const std::string dev = std::string("TCPIP:") + kPort;
    const std::string hb = std::to_string(kHbInterval), miss = std::to_string(kHbMaxMiss);
    ASSERT_EQ(Po(a, {"create-path", "-i", hb, "-m", miss, b.host, a.host, b.host, dev}), 0);
    ASSERT_EQ(Po(b, {"create-path", "-i", hb, "-m", miss, a.host, b.host, a.host, dev}), 0);
    const std::string upA = "PATH " + a.host + " " + dev + " TLI " + b.host + " " + b.host + " ALIVE";
    const std::string upB = "PATH " + b.host + " " + dev + " TLI " + a.host + " " + a.host + " ALIVE";
    const std::string downA = "PATH " + a.host + " " + dev + " TLI " + b.host + " " + b.host + " DEAD";
    const std::string downB = "PATH " + b.host + " " + dev + " TLI " + a.host + " " + a.host + " DEAD";
    ASSERT_TRUE(WaitLines(watchA, upA, 1, 15000)) << watchA.Out() << agentA.Out() << agentA.Err();
    ASSERT_TRUE(WaitLines(watchB, upB, 1, 15000)) << watchB.Out() << agentB->Out() << agentB->Err();
    EXPECT_NE(agentA.Out().find("Listening on 7500 address " + a.addr), std::string::npos) << agentA.Out();
    // Each administrator heard of its outbound connection.
    EXPECT_TRUE(WaitUntil([&] { return mgrA.Err().find("ReportOutConnComplete() commAgentTag=1 remAlias=" + b.host) !=
                                       std::string::npos; }, 5000)) << mgrA.Err();
    EXPECT_TRUE(WaitUntil([&] { return mgrB.Err().find("ReportOutConnComplete() commAgentTag=1 remAlias=" + a.host) !=
                                       std::string::npos; }, 5000)) << mgrB.Err();
    EXPECT_EQ(Po(a, {"host-up", b.host}), 0);
    EXPECT_EQ(Po(b, {"host-up", a.host}), 0);
    EXPECT_EQ(Po(a, {"alive", b.host}), 0) << "the outbound connection registered the route";

    // A mailbox message each way.
    ASSERT_EQ(Po(a, {"create", "boxa"}), 0);
    ASSERT_EQ(Po(b, {"create", "boxb"}), 0);
    EXPECT_EQ(Po(a, {"send", "-h", b.host, "boxb", "from-a"}), 0);
    EXPECT_EQ(Po(b, {"send", "-h", a.host, "boxa", "from-b"}), 0);
    EXPECT_NE(PoOut(b, {"receive", "boxb"}).find("from-a"), std::string::npos);
    EXPECT_NE(PoOut(a, {"receive", "boxa"}).find("from-b"), std::string::npos);

    // The link goes down: DEAD on both sides in time; up: ALIVE again.
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " down"), 0);
    EXPECT_TRUE(WaitLines(watchA, downA, 1, kDeadWithinMs)) << watchA.Out();
    EXPECT_TRUE(WaitLines(watchB, downB, 1, kDeadWithinMs)) << watchB.Out();
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " up"), 0);
    EXPECT_TRUE(WaitLines(watchA, upA, 2, 20000)) << watchA.Out() << agentA.Out();
    EXPECT_TRUE(WaitLines(watchB, upB, 2, 20000)) << watchB.Out() << agentB->Out();

    // B's agent is killed: its connections close with it, A hangs up at
    // once and listens again; the path returns when B's agent is back.
    const size_t hupsBefore = CountOf(agentA.Out(), "Closing down socket");
    ::kill(agentB->Pid(), SIGKILL);
    agentB->Wait(5000);
    EXPECT_TRUE(WaitUntil([&] { return CountOf(agentA.Out(), "Closing down socket") >= hupsBefore + 2; }, 2000))
        << agentA.Out();
    EXPECT_TRUE(WaitUntil([&] { return Listening(a); }, 3000)) << "A listens again";
    EXPECT_TRUE(WaitLines(watchA, downA, 2, kDeadWithinMs)) << watchA.Out();
    agentB = &Agent(b);
    EXPECT_TRUE(WaitLines(watchA, upA, 3, 20000)) << watchA.Out() << agentA.Out() << agentB->Out();
    EXPECT_EQ(Po(a, {"host-up", b.host}), 0);

    // Deleted on A: its port closes and A connects no more. B's path now
    // meets a refused port: each of its tries waits out a retry timer first,
    // a short one doubled after each refusal, never past the (scaled) 30 s.
    // B's tries are awaited until the waits between them add up to a whole
    // retry period, in which A would have tried again.
    EXPECT_EQ(Po(a, {"delete-path", b.host, a.host, b.host, dev}), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Listening(a); }, 3000)) << "A's port is closed";
    const size_t connectsAfter = CountOf(agentA.Out(), "Connecting to remote port");
    const std::string nextTry = "Next try in ";
    const size_t outBefore = agentB->Out().size();
    const auto waitsSince = [&] {
        std::vector<int> waits;
        const std::string out = agentB->Out().substr(outBefore);
        for (std::size_t at = 0; (at = out.find(nextTry, at)) != std::string::npos; at += nextTry.size())
            waits.push_back(std::atoi(out.c_str() + at + nextTry.size()));
        return waits;
    };
    const auto triesSince = [&] { return CountOf(agentB->Out().substr(outBefore), "Connecting to remote port"); };
    // The n-th try after the mark follows at least the first n-1 waits armed
    // after it (the first try's timer may have been armed before).
    const auto waitedMs = [&] {
        const std::vector<int> waits = waitsSince();
        const size_t tries = triesSince();
        long sum = 0;
        for (size_t i = 0; i + 1 < tries && i < waits.size(); ++i) sum += waits[i];
        return sum;
    };
    EXPECT_TRUE(WaitUntil([&] { return waitedMs() >= kRetryMs; }, 30000)) << agentB->Out();
    EXPECT_EQ(CountOf(agentA.Out(), "Connecting to remote port"), connectsAfter) << "no reconnect after a delete";
    // No try without its timer, and no wait of nothing or past the bound.
    const std::vector<int> waits = waitsSince();
    EXPECT_LE(triesSince(), waits.size() + 1) << agentB->Out();
    for (const int w : waits) {
        EXPECT_GT(w, 0) << agentB->Out();
        EXPECT_LE(w, kRetryMs) << agentB->Out();
    }

    EXPECT_EQ(mgrA.Stop(), 0) << mgrA.Err();
    EXPECT_EQ(mgrB.Stop(), 0) << mgrB.Err();
}

TEST_F(SockTwoSystems, ASilentStrangerOnThePortIsDroppedAndThePeerGetsThrough) {
    ChildProcess& mgrA = Run(a, {ManagerBin()});
    ChildProcess& mgrB = Run(b, {ManagerBin()});
    ASSERT_TRUE(WaitLines(mgrA, "listening", 1, 10000)) << mgrA.Err();
    ASSERT_TRUE(WaitLines(mgrB, "listening", 1, 10000)) << mgrB.Err();
    ChildProcess& watchA = Run(a, {PoBin(), "watch"}, false);
    ASSERT_TRUE(WaitLines(watchA, "watching", 1, 10000)) << watchA.Err();
    ChildProcess& agentA = Agent(a);
    ASSERT_TRUE(WaitLines(agentA, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentA.Err();
    const std::string dev = std::string("TCPIP:") + kPort;
    const std::string hb = std::to_string(kHbInterval), miss = std::to_string(kHbMaxMiss);
    ASSERT_EQ(Po(a, {"create-path", "-i", hb, "-m", miss, b.host, a.host, b.host, dev}), 0);
    ASSERT_TRUE(WaitUntil([&] { return Listening(a); }, 5000));
    // A stranger on B's side connects to A's port and says nothing.
    ChildProcess& stranger = Run(b, {"/bin/bash", "-c", std::string("exec 3<>/dev/tcp/") + a.addr + "/" + kPort +
                                                            "; sleep 60"});
    EXPECT_TRUE(WaitUntil([&] { return agentA.Out().find("sent no PipeInitMsg") != std::string::npos ||
                                       agentA.Err().find("sent no PipeInitMsg") != std::string::npos; },
                          (kHbInterval * kHbMaxMiss + 3) * 1000))
        << agentA.Out() << agentA.Err();
    EXPECT_TRUE(WaitUntil([&] { return Listening(a); }, 3000)) << "A listens again";
    // The real peer comes and gets through.
    ChildProcess& watchB = Run(b, {PoBin(), "watch"}, false);
    ASSERT_TRUE(WaitLines(watchB, "watching", 1, 10000)) << watchB.Err();
    ChildProcess& agentB = Agent(b);
    ASSERT_TRUE(WaitLines(agentB, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentB.Err();
    ASSERT_EQ(Po(b, {"create-path", "-i", hb, "-m", miss, a.host, b.host, a.host, dev}), 0);
    const std::string upA = "PATH " + a.host + " " + dev + " TLI " + b.host + " " + b.host + " ALIVE";
    EXPECT_TRUE(WaitLines(watchA, upA, 1, 20000)) << watchA.Out() << agentA.Out() << agentA.Err();
    static_cast<void>(stranger);
    EXPECT_EQ(mgrA.Stop(), 0) << mgrA.Err();
    EXPECT_EQ(mgrB.Stop(), 0) << mgrB.Err();
}

// A third namespace, routed to SYSA's cluster address over a link of its
// own, runs a manager and a socket agent that call themselves SOCKB: a
// stranger on the cluster network speaking the agents' packet format. It
// connects first and keeps connecting; every connection is closed at once
// with a report, and the real SOCKB's path comes up and stays ALIVE.
TEST_F(SockTwoSystems, AStrangerRoutedToTheClusterNetworkIsClosedAndThePeerStaysAlive) {
    const std::string tag = "hvs" + std::to_string(::getpid());
    NetnsSystem c{tag + "c", tag + "c0", sys.Path() + "/c", b.host, "10.233.0.3"};
    const std::string aSide = tag + "ac";
    ASSERT_EQ(Sh(ip + " netns add " + c.ns), 0);
    struct Gone {
        std::string cmd;
        ~Gone() { Sh(cmd); }
    } gone{ip + " netns del " + c.ns};
    ASSERT_EQ(Sh(ip + " link add " + aSide + " type veth peer name " + c.veth), 0);
    ASSERT_EQ(Sh(ip + " link set " + aSide + " netns " + a.ns), 0);
    ASSERT_EQ(Sh(ip + " link set " + c.veth + " netns " + c.ns), 0);
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " addr add 10.233.0.1/24 dev " + aSide), 0);
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + aSide + " up"), 0);
    ASSERT_EQ(Sh(ip + " -n " + c.ns + " addr add " + c.addr + "/24 dev " + c.veth), 0);
    ASSERT_EQ(Sh(ip + " -n " + c.ns + " link set " + c.veth + " up"), 0);
    ASSERT_EQ(Sh(ip + " -n " + c.ns + " link set lo up"), 0);
    ASSERT_EQ(Sh(ip + " -n " + c.ns + " route add 10.232.0.0/24 via 10.233.0.1"), 0);
    ASSERT_EQ(::mkdir(c.dir.c_str(), 0770), 0);
    ASSERT_EQ(::mkdir(("/etc/netns/" + c.ns).c_str(), 0755), 0);
    std::ofstream(("/etc/netns/" + c.ns + "/hosts").c_str())
        << "127.0.0.1 localhost\n" << a.addr << " " << a.host << "\n" << c.addr << " " << c.host << "\n";
    struct HostsGone {
        std::string ns;
        ~HostsGone() {
            std::remove(("/etc/netns/" + ns + "/hosts").c_str());
            ::rmdir(("/etc/netns/" + ns).c_str());
        }
    } hostsGone{c.ns};

    ChildProcess& mgrA = Run(a, {ManagerBin()});
    ChildProcess& mgrC = Run(c, {ManagerBin()});
    ASSERT_TRUE(WaitLines(mgrA, "listening", 1, 10000)) << mgrA.Err();
    ASSERT_TRUE(WaitLines(mgrC, "listening", 1, 10000)) << mgrC.Err();
    ChildProcess& watchA = Run(a, {PoBin(), "watch"}, false);
    ASSERT_TRUE(WaitLines(watchA, "watching", 1, 10000)) << watchA.Err();
    ChildProcess& agentA = Agent(a);
    ChildProcess& agentC = Agent(c);
    ASSERT_TRUE(WaitLines(agentA, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentA.Err();
    ASSERT_TRUE(WaitLines(agentC, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentC.Err();
    const std::string dev = std::string("TCPIP:") + kPort;
    const std::string hb = std::to_string(kHbInterval), miss = std::to_string(kHbMaxMiss);
    ASSERT_EQ(Po(a, {"create-path", "-i", hb, "-m", miss, b.host, a.host, b.host, dev}), 0);
    ASSERT_EQ(Po(c, {"create-path", "-i", hb, "-m", miss, a.host, c.host, a.host, dev}), 0);
    // The stranger connects first: refused at once, with a report.
    const auto refusals = [&] {
        std::ifstream f(a.dir + "/log/eventlog");
        std::stringstream text;
        text << f.rdbuf();
        return CountOf(text.str(), "from " + c.addr + ":");
    };
    ASSERT_TRUE(WaitUntil([&] { return refusals() >= 1; }, 15000)) << agentA.Err() << agentC.Err();

    // The real SOCKB comes; its path comes up and stays up while the
    // stranger keeps trying.
    ChildProcess& mgrB = Run(b, {ManagerBin()});
    ASSERT_TRUE(WaitLines(mgrB, "listening", 1, 10000)) << mgrB.Err();
    ChildProcess& agentB = Agent(b);
    ASSERT_TRUE(WaitLines(agentB, "Got MxrAdminRegisterCommAgentRspMsg", 1, 10000)) << agentB.Err();
    ASSERT_EQ(Po(b, {"create-path", "-i", hb, "-m", miss, a.host, b.host, a.host, dev}), 0);
    const std::string upA = "PATH " + a.host + " " + dev + " TLI " + b.host + " " + b.host + " ALIVE";
    const std::string downA = "PATH " + a.host + " " + dev + " TLI " + b.host + " " + b.host + " DEAD";
    ASSERT_TRUE(WaitLines(watchA, upA, 1, 20000)) << watchA.Out() << agentA.Out() << agentA.Err();
    const size_t before = refusals();
    EXPECT_TRUE(WaitUntil([&] { return refusals() >= before + 2; }, 15000)) << "the stranger kept trying";
    EXPECT_EQ(CountOf(watchA.Out(), downA), 0u) << watchA.Out();
    EXPECT_EQ(Po(a, {"host-up", b.host}), 0);
    // The stranger's outbound connection never got as far as a PipeInitMsg.
    EXPECT_EQ(mgrC.Err().find("ReportOutConnComplete()"), std::string::npos) << mgrC.Err();
    EXPECT_EQ(mgrA.Stop(), 0) << mgrA.Err();
    EXPECT_EQ(mgrB.Stop(), 0) << mgrB.Err();
    EXPECT_EQ(mgrC.Stop(), 0) << mgrC.Err();
    procs.clear();  // every process goes before its namespace
}
