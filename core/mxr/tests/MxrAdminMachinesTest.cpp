// The administrator's three request machines driven through the manager's
// loop with the test clock: answers, the exact time-outs, restarted and
// cancelled timers, registrations shared by waiting machines, the DEAD report
// of a delete, and late messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "AdminWorld.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminCreateCommAgentSM.h"
#include "MxrAdminCreateCommPathSM.h"
#include "MxrAdminDeleteCommPathSM.h"

using namespace mxrtest;
using CAT = CommAgentEnt;

namespace {

// Machines waiting in the three pending lists: "<create-path>/<delete-path>/<create-agent>".
std::string Pending() {
    return std::to_string(MxrAdmin::GetCcpSMLst().GetItemCnt()) + "/" +
           std::to_string(MxrAdmin::GetDeleteCPSMLst().GetItemCnt()) + "/" +
           std::to_string(MxrAdmin::GetCCASMLst().GetItemCnt());
}

std::string CreateAgent(AdminWorld& w, const char* alias, CAT::CommAgentType type) {
    return w.Deliver(BaseMsgPtr(
        new MxrAdminCreateCommAgentReqMsg(AdminWorld::AdminAddr(), bStr(alias), type, bStr(""), BaseMsgPtr())));
}

int Waiting(AdminWorld& w) { return w.world.GetTimerManager().GetWaitList().GetItemCnt(); }

}  // namespace

TEST(AdminMachines, CreateAgentForAnAliveAgentAnswersAtOnce) {
    AdminWorld w;
    w.Register("agent", 100, "NODEA", CAT::TLI);
    w.Take();
    const std::string err = CreateAgent(w, "", CAT::TLI);
    EXPECT_EQ(w.Take(), AdminLog{"client CreateAgent 0"});
    EXPECT_EQ(err,
              "MxrAdminCreateCommAgentSM: START\nMxrAdminCreateCommAgentSM: START Found CAE\n"
              "MxrAdminCreateCommAgentSM::SendBackRspMsg()\n");
    EXPECT_EQ(Waiting(w), 0);
    EXPECT_EQ(Pending(), "0/0/0");
}

// An unknown agent gets a record (pid 0) and is waited for; one registration
// answers every machine waiting for it.
TEST(AdminMachines, CreateAgentWaitsForTheRegistration) {
    AdminWorld w;
    EXPECT_NE(CreateAgent(w, "NODEA", CAT::TTY).find("START Did Not Find CAE"), std::string::npos);
    CreateAgent(w, "", CAT::TTY);
    EXPECT_EQ(MxrAdmin::GetCommAgentEntLst().GetItemCnt(), 1);
    EXPECT_EQ(AdminWorld::Agent(1)->GetPid(), 0);
    EXPECT_EQ(AdminWorld::Agent(1)->GetCommAgentStatus(), CAT::UNDEFINED);
    EXPECT_EQ(Pending(), "0/0/2");
    EXPECT_TRUE(w.Take().empty());
    w.Register("tty", 200, "NODEA", CAT::TTY);
    EXPECT_EQ(w.Take(), (AdminLog{"tty tag 1", "client CreateAgent 0", "client CreateAgent 0"}));
    EXPECT_EQ(Pending(), "0/0/0");
    EXPECT_EQ(Waiting(w), 0);
}

TEST(AdminMachines, CreateAgentTimesOutAtExactlyTheWait) {
    AdminWorld w;
    CreateAgent(w, "NODEA", CAT::TTY);
    EXPECT_EQ(w.Advance(MxrAdmin::WaitMs - 1), "");
    EXPECT_TRUE(w.Take().empty());
    EXPECT_EQ(w.Advance(1), "MxrAdminCreateCommAgentSM: Timed Out\nMxrAdminCreateCommAgentSM::SendBackErrMsg()\n");
    EXPECT_EQ(w.Take(), AdminLog{"client CreateAgent 1"});
    EXPECT_EQ(Pending(), "0/0/0");
    // The record stays for the agent's later registration, which finds no
    // machine waiting.
    w.Register("tty", 200, "NODEA", CAT::TTY);
    EXPECT_EQ(w.Take(), AdminLog{"tty tag 1"});
}

// An ALIVE agent takes the path at once; the answer waits for the agent's.
TEST(AdminMachines, CreatePathWithAnAliveAgent) {
    AdminWorld w;
    w.Register("agent", 100, "NODEA", CAT::TLI);
    AgentPipe& agent = w.Pipe("agent", 100);
    agent.hold = true;
    w.Take();
    const std::string err = w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
    EXPECT_EQ(err,
              "MxrAdminCreateCommPathSM: START\nMxrAdminCreateCommPathSM: START Did Not Find RHE\n"
              "MxrAdminCreateCommPathSM: START Found CAE ALIVE \n"
              "MxrAdminCreateCommPathSM: START Found CAE : AddHosttoCA()\n"
              "MxrAdminCreateCommPathSM::AddHosttoCA()\n");
    EXPECT_EQ(w.Take(), AdminLog{"agent add NODEB"});
    EXPECT_EQ(AdminWorld::PathState(1, "NODEB"), "NONE/INITIALIZING");
    EXPECT_EQ(Pending(), "1/0/0");
    agent.Release();
    ::testing::internal::CaptureStderr();
    w.Drain();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "MxrAdminCreateCommPathSM: PATH\n");
    EXPECT_EQ(w.Take(), AdminLog{"client CreatePath 0"});
    EXPECT_EQ(Pending(), "0/0/0");
    EXPECT_EQ(Waiting(w), 0);

    // The host's record is made once.
    agent.hold = false;
    EXPECT_NE(w.CreatePath("NODEB", "NODEA", "NODEB2", CAT::TLI).find("START Found RHE"), std::string::npos);
    EXPECT_EQ(MxrAdmin::GetRemoteHostEntLst().GetItemCnt(), 1);
    EXPECT_EQ(w.Take(), (AdminLog{"agent add NODEB2", "client CreatePath 0"}));
}

// No live agent: the machine asks for one and goes on when it registers.
TEST(AdminMachines, CreatePathWaitsForItsAgent) {
    AdminWorld w;
    EXPECT_NE(w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI).find("START Create Comm Agent"), std::string::npos);
    EXPECT_EQ(Pending(), "1/0/1");
    EXPECT_TRUE(w.Take().empty());
    w.Register("agent", 100, "NODEA", CAT::TLI);
    EXPECT_EQ(w.Take(), (AdminLog{"agent tag 1", "agent add NODEB", "client CreatePath 0"}));
    EXPECT_EQ(Pending(), "0/0/0");
    EXPECT_EQ(Waiting(w), 0);
}

// Two stored paths of one kind wait for the same agent: both get it.
TEST(AdminMachines, TwoPathsWaitingForOneAgentBothReachIt) {
    AdminWorld w;
    w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TTY, "/dev/ttyS0");
    w.CreatePath("NODEC", "NODEA", "NODEC", CAT::TTY, "/dev/ttyS1");
    EXPECT_EQ(Pending(), "2/0/2");
    w.Register("tty", 100, "", CAT::TTY);
    const AdminLog log = w.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "client CreatePath 0"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "tty add NODEB"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "tty add NODEC"), 1);
    EXPECT_EQ(AdminWorld::Agent(1)->GetCommPathLst().GetItemCnt(), 2);
    EXPECT_EQ(Pending(), "0/0/0");
}

// The time-outs of a create: 360000 ms for the agent; once it is there, the
// timer starts again for its answer (worst case twice the wait).
TEST(AdminMachines, CreatePathTimeOuts) {
    {
        AdminWorld w;
        w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
        EXPECT_EQ(w.Advance(MxrAdmin::WaitMs - 1), "");
        EXPECT_TRUE(w.Take().empty());
        // Both machines time out together; the agent machine's late answer
        // is only logged by the loop.
        const std::string err = w.Advance(1);
        EXPECT_NE(err.find("MxrAdminCreateCommPathSM: COMMAGENT Timed out\n"), std::string::npos) << err;
        EXPECT_EQ(w.Take(), AdminLog{"client CreatePath 1"});
        EXPECT_EQ(Pending(), "0/0/0");
    }
    {
        AdminWorld w;
        w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
        w.Advance(MxrAdmin::WaitMs - 1);
        w.Pipe("agent", 100).hold = true;
        w.Register("agent", 100, "NODEA", CAT::TLI);  // just in time
        EXPECT_EQ(w.Take(), (AdminLog{"agent tag 1", "agent add NODEB"}));
        EXPECT_EQ(w.Advance(MxrAdmin::WaitMs - 1), "");
        EXPECT_TRUE(w.Take().empty());
        EXPECT_NE(w.Advance(1).find("MxrAdminCreateCommPathSM: PATH Timed out\n"), std::string::npos);
        EXPECT_EQ(w.Take(), AdminLog{"client CreatePath 1"});
        EXPECT_EQ(Pending(), "0/0/0");
        // The agent's answer comes too late (the machine is gone): logged,
        // nothing else.
        w.Pipe("agent", 100).Release();
        ::testing::internal::CaptureStderr();
        w.Drain();
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("CommAgentMsgRcvrAddHostRspMsg"), std::string::npos);
        EXPECT_TRUE(w.Take().empty());
    }
}

// An answer that arrives in the same turn as the time-out it beats: the
// cancel drops the queued time-out.
TEST(AdminMachines, CancelSuppressesAQueuedTimeOut) {
    AdminWorld w;
    w.Register("agent", 100, "NODEA", CAT::TLI);
    w.Pipe("agent", 100).hold = true;
    w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
    w.Take();
    w.Pipe("agent", 100).Release();  // the answer is queued first
    ::testing::internal::CaptureStderr();
    w.clock.AdvanceMs(MxrAdmin::WaitMs);
    w.world.ProcessTimers();  // then the time-out
    w.Drain();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("Timed out"), std::string::npos) << err;
    EXPECT_EQ(err.find("not processed"), std::string::npos) << err;
    EXPECT_EQ(w.Take(), AdminLog{"client CreatePath 0"});
}

TEST(AdminMachines, DeletePathRefusesWhatItDoesNotKnow) {
    AdminWorld w;
    w.Register("agent", 100, "NODEA", CAT::TLI);
    w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
    w.Listen();
    w.Take();
    EXPECT_EQ(w.DeletePath("NODEX", "NODEA", "NODEX", CAT::TLI),
              "Attempt to delete comm path to unknown remote host:NODEX\n");
    EXPECT_EQ(w.DeletePath("NODEB", "NODEA", "NODEB", CAT::TTY, "/dev/ttyS0"),
              "Attempt to delete comm path to for Unknown Comm Agent local alios: NODEAPathname:/dev/ttyS0type: 2\n");
    EXPECT_EQ(w.DeletePath("NODEB", "NODEA", "NODEC", CAT::TLI),
              "CommAgentEnt::DelPath RemoteAlias NODECdevice Path eth0 not found in commPathLst\n");
    EXPECT_EQ(w.Take(), (AdminLog{"client DeletePath 1", "client DeletePath 1", "client DeletePath 1"}));
    EXPECT_EQ(AdminWorld::Agent(1)->GetCommPathLst().GetItemCnt(), 1);
    EXPECT_EQ(Pending(), "0/0/0");
}

// The path leaves the agent's record before the agent is asked; the
// listeners hear DEAD once; the answer is 0, or 1 when the agent is silent
// (the path then counts as down all the same).
TEST(AdminMachines, DeletePath) {
    for (bool silent : {false, true}) {
        SCOPED_TRACE(silent);
        AdminWorld w;
        w.Register("agent", 100, "NODEA", CAT::TLI);
        w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
        w.OutConn(1, "NODEB", PipeHead::ALIVE);
        w.Listen();
        w.Take();
        w.Pipe("agent", 100).hold = true;
        w.DeletePath("NODEB", "NODEA", "NODEB", CAT::TLI);
        EXPECT_EQ(w.Take(), AdminLog{"agent del NODEB"});
        EXPECT_EQ(AdminWorld::Agent(1)->GetCommPathLst().GetItemCnt(), 0);
        EXPECT_EQ(Pending(), "0/1/0");
        if (silent) {
            EXPECT_EQ(w.Advance(MxrAdmin::WaitMs - 1), "");
            EXPECT_TRUE(w.Take().empty());
            w.Advance(1);
            EXPECT_EQ(w.Take(), (AdminLog{"notice NODEB NODEB eth0 DEAD", "client DeletePath 1"}));
        } else {
            w.Pipe("agent", 100).Release();
            w.Drain();
            EXPECT_EQ(w.Take(), (AdminLog{"notice NODEB NODEB eth0 DEAD", "client DeletePath 0"}));
            EXPECT_EQ(Waiting(w), 0);
        }
        EXPECT_EQ(Pending(), "0/0/0");
        EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 0);
    }
}
