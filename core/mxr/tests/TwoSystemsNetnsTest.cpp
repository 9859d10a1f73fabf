// Two systems, each in a network namespace of its own joined by a veth pair:
// a manager and a link-mode stub agent on each, paths created on both
// sides. The link going down and up, an agent killed and restarted, and a
// path deleted show in the path watchers, in host-up and in a receive tied
// to the other system. Needs root (namespaces); skipped elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "MxrTestSupport.h"
#include "NetnsPairSupport.h"
#include "ProcessTestSupport.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

constexpr int kHbInterval = 1;  // seconds
constexpr int kHbMaxMiss = 2;
constexpr int kDeadWithinMs = (kHbInterval * kHbMaxMiss + 1) * 1000;

struct TwoSystems : NetnsPairTest {
    TwoSystems() : NetnsPairTest(PairSetup{"hv", "NODEA", "NODEB", "10.231.0.", false, {}}) {}
    RuntimeScope scope{"NODEA", 0};
};

}  // namespace

TEST_F(TwoSystems, PathsComeUpGoDownAndComeBackWithTheLink) {
    ChildProcess& mgrA = Run(a, {ManagerBin()});
    ChildProcess& mgrB = Run(b, {ManagerBin()});
    ASSERT_TRUE(WaitLines(mgrA, "listening", 1, 10000)) << mgrA.Err();
    ASSERT_TRUE(WaitLines(mgrB, "listening", 1, 10000)) << mgrB.Err();
    ChildProcess& watchA = Run(a, {PoBin(), "watch"}, false);
    ChildProcess& watchB = Run(b, {PoBin(), "watch"}, false);
    ASSERT_TRUE(WaitLines(watchA, "watching", 1, 10000)) << watchA.Err();
    ASSERT_TRUE(WaitLines(watchB, "watching", 1, 10000)) << watchB.Err();
    ChildProcess& agentA = Run(a, {StubAgentBin(), "-l", "LA"});
    ChildProcess* agentB = &Run(b, {StubAgentBin(), "-l", "LB"});
    ASSERT_TRUE(WaitLines(agentA, "registered", 1, 10000)) << agentA.Err();
    ASSERT_TRUE(WaitLines(*agentB, "registered", 1, 10000)) << agentB->Err();

    const std::string hb = std::to_string(kHbInterval), miss = std::to_string(kHbMaxMiss);
    const std::string devA = b.addr + ":7500", devB = a.addr + ":7500";
    ASSERT_EQ(Po(a, {"create-path", "-i", hb, "-m", miss, "NODEB", "LA", "NODEB", devA}), 0);
    ASSERT_EQ(Po(b, {"create-path", "-i", hb, "-m", miss, "NODEA", "LB", "NODEA", devB}), 0);
    const std::string upA = "PATH LA " + devA + " TLI NODEB NODEB ALIVE";
    const std::string upB = "PATH LB " + devB + " TLI NODEA NODEA ALIVE";
    const std::string downA = "PATH LA " + devA + " TLI NODEB NODEB DEAD";
    const std::string downB = "PATH LB " + devB + " TLI NODEA NODEA DEAD";
    ASSERT_TRUE(WaitLines(watchA, upA, 1, 10000)) << watchA.Out() << agentA.Out();
    ASSERT_TRUE(WaitLines(watchB, upB, 1, 10000)) << watchB.Out() << agentB->Out();
    EXPECT_EQ(Po(a, {"host-up", "NODEB"}), 0);
    EXPECT_EQ(Po(b, {"host-up", "NODEA"}), 0);
    EXPECT_EQ(Po(a, {"alive", "NODEB"}), 0);

    // The link goes down: both sides see the path die in time, and a
    // receive waiting on the other system gives up.
    ASSERT_EQ(Po(a, {"create", "box"}), 0);
    ChildProcess& receive = Run(a, {PoBin(), "receive", "-h", "NODEB", "box"}, false);
    // The receive waits in the post office while the other system is there.
    EXPECT_TRUE(WaitUntil([&] { return PoOut(a, {"list"}).find("box: 0 msg(s), 1 req(s)") != std::string::npos; }))
        << PoOut(a, {"list"});
    EXPECT_TRUE(receive.Running());
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " down"), 0);
    EXPECT_TRUE(WaitLines(watchA, downA, 1, kDeadWithinMs)) << watchA.Out();
    EXPECT_TRUE(WaitLines(watchB, downB, 1, kDeadWithinMs)) << watchB.Out();
    EXPECT_EQ(receive.Wait(10000), 6) << receive.Err();
    EXPECT_EQ(Po(a, {"host-up", "NODEB"}), 1);

    // Up again.
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " up"), 0);
    EXPECT_TRUE(WaitLines(watchA, upA, 2, 15000)) << watchA.Out() << agentA.Out();
    EXPECT_TRUE(WaitLines(watchB, upB, 2, 15000)) << watchB.Out() << agentB->Out();
    EXPECT_EQ(Po(a, {"host-up", "NODEB"}), 0);

    // The other system's agent dies and comes back.
    ::kill(agentB->Pid(), SIGKILL);
    agentB->Wait(5000);
    EXPECT_TRUE(WaitLines(watchA, downA, 2, kDeadWithinMs + 2000)) << watchA.Out();
    agentB = &Run(b, {StubAgentBin(), "-l", "LB"});
    EXPECT_TRUE(WaitLines(watchA, upA, 3, 15000)) << watchA.Out() << agentA.Out() << agentB->Out();
    EXPECT_EQ(Po(a, {"host-up", "NODEB"}), 0);

    // Deleted: answered 0, and the path is reported dead.
    EXPECT_EQ(Po(a, {"delete-path", "NODEB", "LA", "NODEB", devA}), 0);
    EXPECT_TRUE(WaitLines(watchA, downA, 3, 10000)) << watchA.Out();
    EXPECT_EQ(Po(a, {"host-up", "NODEB"}), 1);

    EXPECT_EQ(mgrA.Stop(), 0) << mgrA.Err();
    EXPECT_EQ(mgrB.Stop(), 0) << mgrB.Err();
}
