// Two systems, each in a network namespace of its own joined by a veth pair,
// each with the daemon stand-in, the manager with its database link and a
// link-mode stub agent: paths created through the database come up, the
// link going down and up shows in each database (the other system's state,
// the failure counter, the comm-down flag, the event command), a path is
// removed at once, and a restarted manager creates the stored paths again.
// Needs root (namespaces); skipped elsewhere.
#include "NetnsDbPair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace mxrtest;
using linktest::CreatePathsAndSync;
using linktest::RemovePathWithin;
using linktest::WaitPathSummary;

namespace {

struct TwoLinkedSystems : linktest::NetnsDbPair {
    void SetUp() override { MakePair("hv", "232"); }
    // The daemon and the manager of s; true once the daemon serves.
    bool StartDatabase(const linktest::DbSystem& s, ChildProcess** daemon, ChildProcess** manager) {
        *daemon = &Run(s, {HV_QDB_BIN});
        *manager = &Run(s, {HV_MXRCFGSTORE_BIN});
        return WaitLines(**daemon, "qdb: serving", 1, 20000);
    }
};

}  // namespace

TEST_F(TwoLinkedSystems, PathsFollowTheLinkInBothDatabases) {
    ChildProcess *daemonA = nullptr, *mgrA = nullptr, *daemonB = nullptr, *mgrB = nullptr;
    ASSERT_TRUE(StartDatabase(a, &daemonA, &mgrA)) << daemonA->Err() << mgrA->Err();
    ASSERT_TRUE(StartDatabase(b, &daemonB, &mgrB)) << daemonB->Err() << mgrB->Err();
    ChildProcess* agentA = &Run(a, {HV_STUB_AGENT_BIN, "-l", "NODEA"});
    ChildProcess& agentB = Run(b, {HV_STUB_AGENT_BIN, "-l", "NODEB"});
    ASSERT_TRUE(WaitLines(*agentA, "registered", 1, 10000)) << agentA->Err();
    ASSERT_TRUE(WaitLines(agentB, "registered", 1, 10000)) << agentB.Err();

    const std::string devA = b.addr + ":7600", devB = a.addr + ":7600";
    const std::string devA2 = b.addr + ":7601", devB2 = a.addr + ":7601";
    EXPECT_EQ(CreatePathsAndSync(a.Env(), "NODEB", {devA, devA2}), "000");
    EXPECT_EQ(CreatePathsAndSync(b.Env(), "NODEA", {devB, devB2}), "000");
    const std::vector<std::string> devsA{devA, devA2};
    // Up: each side's other system is alive again.
    EXPECT_EQ(WaitPathSummary(a.Env(), "NODEB", devsA, {"A ALIVE/0 ALIVE/0 0"}, 15000), "A ALIVE/0 ALIVE/0 0");
    EXPECT_EQ(WaitPathSummary(b.Env(), "NODEA", {devB, devB2}, {"A ALIVE/0 ALIVE/0 0"}, 15000), "A ALIVE/0 ALIVE/0 0");

    // The link goes down: both paths fail; the last one kills the system,
    // counts one failure, sets the flag and runs the event command.
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " down"), 0);
    const std::vector<std::string> down{"D DEAD/1 DEAD/0 1", "D DEAD/0 DEAD/1 1"};
    const std::string afterDown = WaitPathSummary(a.Env(), "NODEB", devsA, down, 15000);
    EXPECT_NE(std::find(down.begin(), down.end(), afterDown), down.end()) << afterDown;
    EXPECT_NE(std::find(down.begin(), down.end(), WaitPathSummary(b.Env(), "NODEA", {devB, devB2}, down, 15000)), down.end());
    // The event command runs after the state is stored: its line is awaited.
    const std::string commDown = "sendevent -C holdervane -E comm_down -s1 -m HV:MXR -O" + a.root + "/out/MXR -nNODEB -d";
    EXPECT_TRUE(WaitUntil([&] { return CountOf(ReadFile(a.root + "/out/MXR"), commDown) >= 1; }, 10000));
    const std::string log = ReadFile(a.root + "/out/MXR");
    EXPECT_EQ(CountOf(log, commDown), 1u) << log;

    // Up again: restored, the flag gone, the count kept.
    ASSERT_EQ(Sh(ip + " -n " + a.ns + " link set " + a.veth + " up"), 0);
    const std::vector<std::string> up{afterDown == down[0] ? "A ALIVE/1 ALIVE/0 0" : "A ALIVE/0 ALIVE/1 0"};
    EXPECT_EQ(WaitPathSummary(a.Env(), "NODEB", devsA, up, 20000), up[0]);
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(a.root + "/out/MXR").find("-E comm_up") != std::string::npos; },
                          10000));

    // One path removed within 2 s (its DEAD notice comes while the remover
    // waits for the administrator).
    EXPECT_EQ(RemovePathWithin(a.Env(), "NODEB", devA2, 2000), "0");

    // A restarted system: the manager creates both stored paths before its
    // agent is there; they come up once it registers.
    EXPECT_EQ(CreatePathsAndSync(a.Env(), "NODEB", {devA2}), "00");
    agentA->Stop();
    mgrA->Stop();
    daemonA->Stop();
    ASSERT_TRUE(StartDatabase(a, &daemonA, &mgrA)) << daemonA->Err() << mgrA->Err();
    // Both stored paths' creates wait for the agent.
    ASSERT_TRUE(WaitUntil([&] { return CountOf(mgrA->Err(), "MxrAdminCreateCommAgentSM: START\n") >= 2; }, 20000))
        << mgrA->Err();
    agentA = &Run(a, {HV_STUB_AGENT_BIN, "-l", "NODEA"});
    const std::string again = WaitPathSummary(a.Env(), "NODEB", devsA, {"A ALIVE/1 ALIVE/0 0", "A ALIVE/0 ALIVE/0 0"}, 20000);
    EXPECT_EQ(again.substr(0, 8), "A ALIVE/") << again;
    EXPECT_NE(again.find(" ALIVE/0 0"), std::string::npos) << again;
    EXPECT_TRUE(WaitUntil([&] { return CountOf(mgrA->Err(), "Got MxrAdminCreateCommPathRspMsg, retVal=0") == 2; }, 10000))
        << mgrA->Err();
}
