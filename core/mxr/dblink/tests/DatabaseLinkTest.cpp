// The manager's database link with the real daemon stand-in, manager and
// stub agents: the stored paths created at start, notices turned into
// comm-up and comm-down, and the waits that once deadlocked the manager,
// each bounded: the manager keeps answering and the database stays usable.
#include "AutoQdbLock.h"
#include "LinkSystemFixture.h"
#include "PathSummary.h"
#include "ShmMgr.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace {

using linktest::GatedClient;
using linktest::HostUpWithin;
using linktest::LinkSystem;

// NODE2's state and the path's, e.g. "D DEAD/1 1".
std::string StateOf(const char* dev) { return linktest::PathSummary("NODE2", {dev}); }

// A database call in another process, bounded: "D" (NODE2 dead) or "A".
bool DatabaseUsableWithin(int ms) {
    GatedClient c([] { return std::string(1, static_cast<char>(sys_getstate(nullptr, "NODE2"))); });
    if (!c.Ready(20000)) return false;
    c.Go();
    return c.EndedWithin(ms) && !c.Note().empty();
}

class StoredPaths : public LinkSystem {
protected:
    std::string Networks() override {
        return LinkSystem::Networks() + "NODE2\x01" "odd0\x01" "x\x01" "0\x01" "0\x01" "1\x01" "1\x01" "3\n";
    }
};

TEST_F(StoredPaths, TliAndTtyRecordsBecomeTwoCreateRequestsAndNoOther) {
    EXPECT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0")) << Out(tli_);
    EXPECT_TRUE(WaitForLine(tty_, "add-host NODE2 NODE2 /dev/ttyS0 answered 0")) << Out(tty_);
    EXPECT_TRUE(WaitForErr(manager_, "retVal=0", 2));
    const std::string err = Err(manager_);
    EXPECT_EQ(cfgtest::Count(err, "MxrCfgstoreObj: Got MxrAdminCreateCommPathRspMsg, retVal=0"), 2) << err;
    EXPECT_EQ(Out(tli_).find("odd0"), std::string::npos);
    EXPECT_EQ(Out(tty_).find("odd0"), std::string::npos);
}

TEST_F(LinkSystem, NoticesBecomeCommUpAndCommDownInTheDatabase) {
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    TliPath(true);
    // NODE2 was dead after the load: restored, no flag to remove.
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/0 0"), "A ALIVE/0 0");
    EXPECT_TRUE(WaitForMxrLog("-E comm_up -s 1 -m HV:MXR -O" + root_ + "/out/MXR -nNODE2 -dTCPIP:1500"));
    // A log: no one outside the owner and the administrators' group reads it.
    struct stat st {};
    ASSERT_EQ(::stat((root_ + "/out/MXR").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 027, 0u) << std::oct << (st.st_mode & 07777);
    // The last alive path fails: dead, counted, flagged, the command run.
    TliPath(false);
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "D DEAD/1 1"), "D DEAD/1 1");
    EXPECT_TRUE(WaitForMxrLog("-E comm_down -s1 -m HV:MXR -O" + root_ + "/out/MXR -nNODE2 -dTCPIP:1500"));
    TliPath(true);
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/1 0"), "A ALIVE/1 0");
}

// Deleting a live path: the administrator's DEAD notice comes before its
// answer, and comm-down needs the lock the remover held.
TEST_F(LinkSystem, ALivePathIsDeletedWithinTwoSeconds) {
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    TliPath(true);
    ASSERT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/0 0"), "A ALIVE/0 0");
    GatedClient remover([] { return std::to_string(net_remove(nullptr, "NODE2", "TCPIP:1500")); });
    ASSERT_TRUE(remover.Ready(20000));
    remover.Go();
    ASSERT_TRUE(remover.EndedWithin(2000));
    EXPECT_EQ(remover.Note(), "0");
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 1);
    EXPECT_TRUE(DatabaseUsableWithin(2000));
    EXPECT_TRUE(WaitForLine(tli_, "delete-host NODE2 NODE2 TCPIP:1500 answered 0"));
}

// A notice arrives while a create waits for an agent that never registers;
// the administrator gives up after 3.6 s here.
class LinkSystemShortAgentWait : public LinkSystem {
protected:
    const char* TimeScale() const override { return "0.01"; }
};

TEST_F(LinkSystemShortAgentWait, ANoticeWhileACreateWaitsForAnAgentIsHandled) {
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    GatedClient creator([] { return std::to_string(net_create(nullptr, "NODE2", "scsi0", 's', 0, 1, 1, 1)); });
    ASSERT_TRUE(creator.Ready(20000));
    const std::string waiting = "MxrAdminCreateCommAgentSM: START\n";
    const std::size_t before = cfgtest::Count(Err(manager_), waiting);
    creator.Go();
    // The administrator starts to wait for an agent of the path's kind.
    ASSERT_TRUE(WaitForErr(manager_, waiting, before + 1)) << Err(manager_);
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 1);
    EXPECT_TRUE(DatabaseUsableWithin(2000));
    TliPath(true);
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/0 0"), "A ALIVE/0 0");
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 0);
    // All of it while the create still waits.
    EXPECT_FALSE(creator.EndedWithin(0));
    // The administrator gives up on the agent: stored, not taken.
    ASSERT_TRUE(creator.EndedWithin(30000));
    EXPECT_EQ(creator.Note(), "1");
}

// The manager (and its start-up read of the stored paths) starts while a
// client is inside net_remove, waiting for it.
TEST_F(LinkSystem, AManagerStartsWhileAClientIsInNetRemove) {
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    GatedClient remover([] { return std::to_string(net_remove(nullptr, "NODE2", "TCPIP:1500")); });
    ASSERT_TRUE(remover.Ready(20000));
    // The daemon ends with its manager: both start again below.
    Stop(manager_);
    Stop(daemon_);
    remover.Go();
    // Without a daemon or manager the call cannot end before they are back.
    ASSERT_TRUE(remover.Entered(20000));
    daemon_ = StartDaemon();
    manager_ = StartProgram(HV_MXRCFGSTORE_BIN, "mxrcfgstore");
    ASSERT_TRUE(WaitForLine(manager_, "listening on")) << Err(manager_);
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 1);
    // The agents come back to the new manager after their old one went.
    ASSERT_TRUE(remover.EndedWithin(20000));
    EXPECT_TRUE(remover.Note() == "0" || remover.Note() == "-1") << remover.Note();
    EXPECT_TRUE(DatabaseUsableWithin(2000));
}

// Comm-up broadcasts to a live system over the database thread's own
// connection, which the loop serves like any client's.
TEST_F(LinkSystem, ACommUpBroadcastToALiveSystemIsServed) {
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    EXPECT_EQ(Client([] { return std::to_string(sys_setstate(nullptr, "NODE2", 'A', "up")); }), "0");
    TliPath(true);
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/0 0"), "A ALIVE/0 0");
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 0);
    TliPath(false);
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "D DEAD/1 1"), "D DEAD/1 1");
    EXPECT_EQ(HostUpWithin("NODE2", 1000), 1);
}

// The path-failed command is waited for; while it runs the loop answers
// and the lock is free, and the next notice waits its turn.
TEST_F(LinkSystem, ASlowEventCommandBlocksNeitherTheLoopNorTheDatabase) {
    const std::string sendevent = root_ + "/bin/sendevent";
    std::filesystem::remove(sendevent);
    // The command runs until the test lets it go (at most 60 s).
    const std::string release = sys_.Path() + "/sendevent.release";
    std::ofstream(sendevent) << "#!/bin/sh\necho \"slow sendevent $*\" >&2\n"
                             << "i=0\nwhile [ ! -e '" << release << "' ] && [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done\n";
    std::filesystem::permissions(sendevent, std::filesystem::perms::owner_all);
    ASSERT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1500 answered 0"));
    TliPath(true);
    ASSERT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/0 0"), "A ALIVE/0 0");
    TliPath(false);
    ASSERT_TRUE(WaitForMxrLog("slow sendevent -C holdervane -E comm_down"));
    TliPath(true);
    // The command runs until it is let go, so these generous bounds still
    // show that neither waits for it.
    EXPECT_EQ(HostUpWithin("NODE2", 10000), 0);
    EXPECT_TRUE(DatabaseUsableWithin(10000));
    // Still the failed state while the command runs: the comm-up waits
    // behind it.
    EXPECT_EQ(Client([] { return StateOf("TCPIP:1500"); }), "D DEAD/1 1");
    std::ofstream(release) << "";
    EXPECT_EQ(WaitInDatabase([] { return StateOf("TCPIP:1500"); }, "A ALIVE/1 0"), "A ALIVE/1 0");
}

}  // namespace
