// Global pre and post scripts, and the recovery requests that the daemon
// stand-in serves in worker processes, on one system.
#include "ActionFixture.h"
#include "RemoteAction.h"
#include "flg.h"
#include "qdbmes.h"
#include "qdbrecover.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace actiontest;

TEST_F(ActionTest, PreScriptsRunOnceUntilThePostScriptsAndPostRestoreRunsPostRemoveFirst) {
    const std::string note = Client([] {
        std::string out = Result(qdbglobact(0, "restore", "a1"));
        out += "," + Result(qdbglobact(0, "restore", "a2"));
        out += "," + Result(qdbglobact(0, "remove", "b"));
        out += "," + Result(qdbglobact(1, "restore", "c"));
        // Nothing is due any more.
        out += "," + Result(qdbglobact(1, "restore", "d"));
        out += "," + Result(qdbglobact(0, "all", nullptr));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0,0/0,0/0,-1/5");
    EXPECT_EQ(Steps(), "global pre restore [a1],app1 pre restore [a1],global pre remove [b],app1 pre remove [b],"
                       "global post remove [c],app1 post remove [c],global post restore [c],app1 post restore [c]");
}

TEST_F(ActionTest, ARestoreWithGlobalsRaisesTheAbortFlagOnlyWhileItRuns) {
    const std::string note = Client([] {
        std::string out = Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 1));
        out += "," + std::to_string(flg_test(nullptr, "!fsaudit_abort", 0));
        // A flag that was there before stays.
        out += "," + Result(flg_create(nullptr, "!fsaudit_abort"));
        out += "," + Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("remove"), const_cast<char*>(""), KIVRA_ONE, 1));
        out += "," + std::to_string(flg_test(nullptr, "!fsaudit_abort", 0));
        return out + ";" + States({"L"});
    });
    EXPECT_EQ(note, "0/0,1,0/0,0/0,0;L=OSU");
    EXPECT_EQ(Steps(), "global pre restore,app1 pre restore,restore L,global post restore,app1 post restore,"
                       "global pre remove,app1 pre remove,remove L,global post remove,app1 post remove");
}

TEST_F(ActionTest, PostScriptsDueOnAnotherSystemRunThereThroughTheRecoveryProgram) {
    const std::string note = Client([] {
        std::string out = Result(flg_create(nullptr, "!restore!NODE1"));
        out += "," + Result(qdbglobact(1, "restore", "x y"));
        out += "," + std::to_string(flg_test(nullptr, "!restore!NODE1", 0));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,1");
    // Only the remote run: no local post scripts were due here.
    EXPECT_EQ(Steps(), "global post restore [x] [y],app1 post restore [x] [y]");
    EXPECT_NE(cfgtest::ReadFile(root_ + "/out/remote_execute").find("qdbrecover -G restore -- x y"), std::string::npos)
        << cfgtest::ReadFile(root_ + "/out/remote_execute");
}

TEST_F(ActionTest, TheDaemonServesRemoteRemoveAndTransferInWorkersAndRefusesBadRequests) {
    const std::string note = Client([] {
        std::string out;
        struct {
            char command;
            const char* tag;
        } cases[] = {{'&', "L"}, {'&', "gone"}, {'>', "L"}, {'>', "gone"}};
        for (const auto& c : cases) {
            const cfgstore::RemoteActionAnswer a = cfgstore::SendRemoteAction("NODE1", c.command, c.tag);
            out += std::to_string(a.sendRc) + ":" + std::to_string(a.parsed) + ":" + std::to_string(a.result) + ",";
            qdberrclr();
        }
        // An oversized request is refused before anything starts.
        const std::string big(2100, 'x');
        out += std::to_string(qdbsendremote(nullptr, "NODE1", '@', '&', "NODE2\x01%s", big.c_str()));
        qdberrclr();
        return out;
    });
    // Out of service already: nothing to remove. Not shared (400) or not
    // found (397, 399): the worker's result is 1.
    EXPECT_EQ(note, "0:1:0,0:1:1,0:1:1,0:1:1,-1");
    EXPECT_EQ(Steps(), "");
}

}  // namespace

namespace {

class CommonCopyTest : public actiontest::ActionTest {
protected:
    void MoreFiles() override {
        ActionTest::MoreFiles();
        RootFile("config/equivalencies", "NODE1\x01L\x01NODE2\x01L2\x01C\n");
    }
};

TEST_F(CommonCopyTest, TheDaemonRunsACopiedStatesActionInAWorkerAndAnswersAtOnce) {
    const std::string note = Client([] {
        return Result(qdbsendremote(nullptr, "NODE1", 'E', 'f', "Cp%s\x01%s\x01%s\x01%s", "L", "copied", "NODE2", "L2"));
    });
    EXPECT_EQ(note, "0/0");
    // The worker restores L's hierarchies, leaves first.
    std::string steps;
    for (int i = 0; i < 500 && steps.find("restore X") == std::string::npos; ++i) {
        ::usleep(20000);
        steps = cfgtest::ReadFile(root_ + "/journal");
    }
    EXPECT_EQ(Steps(), "restore L,restore M1,restore M2,restore R,restore X");
}

}  // namespace
