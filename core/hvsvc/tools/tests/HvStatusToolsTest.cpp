// hvi_status, hvi_stopwatch, hvi_getgrpn and procseek as real processes
// against a table the test fills and a stand-in command pipe; and every tool
// that asks the monitor while nothing answers.
#include "HvinitToolsFixture.h"
#include "ServiceTestSupport.h"

#include <future>

namespace {

using hvtoolstest::HvinitToolsTest;
using hvtoolstest::Holder;
using hvtoolstest::Reported;
using hvtoolstest::RunTool;
using hvtoolstest::ToolResult;

constexpr const char* kHeading =
    "\nStatus of the processes registered with HV-init:\n"
    "------------------------------------------------\n\n";
constexpr const char* kSlotRule = "\n------------------------------------------------\n\n";
constexpr const char* kOneRule = "\n-----------------------------------------------\n";

class HvStatusTools : public HvinitToolsTest {};

TEST_F(HvStatusTools, StatusPrintsTheSlotLines) {
    Serve();
    ToolResult r = RunTool("hvi_status");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeading);  // an empty table

    Slot(3, command_, 4321, 7, 'M');
    hvinit::HvinitSlot& waiting = Slot(9, "/opt/app/bin/(server)|-x|-y", -1, 12, 'W');
    std::strcpy(waiting.fileName, "/opt/app/bin/ondead");
    const std::string monitoring = "Process Name     : " + program_ +
                                   " wait\n"
                                   "System Name      : TESTHOST\n"
                                   "Pid              : 4321\n"
                                   "Group Number     : 7\n"
                                   "CI Name          : NONE\n"
                                   "Polling Time     : 5\n"
                                   "Restart Count    : 3\n"
                                   "Restart Interval : 10\n"
                                   "Restart Time Unit: 30\n"
                                   "File Name        : NONE\n"
                                   "Status           : Monitoring\n";
    const std::string waitingText = "Process Name     : /opt/app/bin/(server) -x -y\n"
                                    "System Name      : TESTHOST\n"
                                    "Pid              : -1\n"
                                    "Group Number     : 12\n"
                                    "CI Name          : NONE\n"
                                    "Polling Time     : 5\n"
                                    "Restart Count    : 3\n"
                                    "Restart Interval : 10\n"
                                    "Restart Time Unit: 30\n"
                                    "File Name        : /opt/app/bin/ondead\n"
                                    "Status           : Waiting for the NONE to become active\n";
    r = RunTool("hvi_status");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeading + monitoring + kSlotRule + waitingText + kSlotRule);

    r = RunTool("hvi_status", {"4321"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kOneRule + monitoring + kOneRule);
    r = RunTool("hvi_status", {"/opt/app/bin/(server)|other"});
    EXPECT_EQ(r.out, kOneRule + waitingText + kOneRule);

    // The other state words.
    const std::pair<char, const char*> words[] = {{'I', "Initializing"}, {'K', "Killed"}, {'D', "Dead"},
                                                  {'S', "Stopped"},      {'Q', "Unknown"}};
    for (const auto& [letter, word] : words) {
        table_->slots[3].state = letter;
        r = RunTool("hvi_status", {"4321"});
        EXPECT_NE(r.out.find(std::string("Status           : ") + word + "\n"), std::string::npos) << letter;
    }

    r = RunTool("hvi_status", {"1234"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Reported(r, 19290, "hvi_status: Process (pid=1234) is not registered with HV-init.\nTry hvi_status "
                                   "<procname>\n"));
    r = RunTool("hvi_status", {"/bin/nothing"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19290, "hvi_status: Process /bin/nothing is not registered with HV-init.\n"));
    r = RunTool("hvi_status", {"a", "b"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19286, "Usage: hvi_status [procname|pid]\n"));
}

TEST_F(HvStatusTools, StopwatchStopsOnlyMonitoredSlotsAndExitsZero) {
    const char states[] = {'M', 'I', 'K', 'W', 'D', 'S', 'M'};
    for (int i = 0; i < 7; ++i) Slot(i, "/bin/p" + std::to_string(i), -1, 1, states[i]);
    table_->slots[6].inUse = 0;  // a free slot is not touched
    ToolResult r = RunTool("hvi_stopwatch");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "returned 0\n");
    EXPECT_TRUE(Reported(r, 19547, "stopwatch() has completed successfully.\n"));
    EXPECT_EQ(std::string(1, table_->slots[0].state), "S");
    for (int i = 1; i < 7; ++i) EXPECT_EQ(table_->slots[i].state, states[i]) << i;

    r = RunTool("hvi_stopwatch", {"-x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "-2\n");
    EXPECT_TRUE(Reported(r, 19261, "Usage: hvi_stopwatch\n"));
}

TEST_F(HvStatusTools, StopwatchWithoutATableExitsOne) {
    hvi_shm_detach(table_);
    hvi_shm_remove();
    table_ = nullptr;
    const ToolResult r = RunTool("hvi_stopwatch");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "returned -1\n");
    EXPECT_TRUE(Reported(r, 19542, "hvi_shm_get() failed.\n"));
}

TEST_F(HvStatusTools, GetgrpnPrintsTheNumber) {
    Serve();
    ToolResult r = RunTool("hvi_getgrpn");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "7\n");
    Reply(hvinit::kCmdGetGrpNum, "-1");
    r = RunTool("hvi_getgrpn", {command_});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "-1\n");
    Reply(hvinit::kCmdGetGrpNum, "-2");
    r = RunTool("hvi_getgrpn");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "-2\n");
    EXPECT_EQ(Requests(), (std::vector<std::string>{"6 -1 ", "6 " + command_ + " ", "6 -1 "}));
    r = RunTool("hvi_getgrpn", {"a", "b"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "-2\n");
    EXPECT_TRUE(Reported(r, 19261, "Usage: hvi_getgrpn procname\n"));
}

TEST_F(HvStatusTools, ProcseekPrintsThePid) {
    Holder running({program_, "wait"}, false);
    // The process may take a moment to show its new image.
    ToolResult r;
    ASSERT_TRUE(hvsvctest::WaitUntil([&] {
        r = RunTool("procseek", {command_});
        return r.exitCode == 0;
    }));
    EXPECT_EQ(r.out, std::to_string(running.Pid()) + "\n");
    running.Stop();
    r = RunTool("procseek", {program_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "-1\n");
    r = RunTool("procseek");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "-1\n");
    EXPECT_NE(r.err.find("Usage: "), std::string::npos);
}

// Nothing serves the command pipe: each tool that asks the monitor says so
// and exits 1 after its four tries, about 4 s (run side by side).
TEST(HvinitToolsServiceDown, EveryToolThatAsksTheMonitorSaysItIsNotRunning) {
    hvtest::TempSystemDir sys;
    struct Case {
        const char* tool;
        std::vector<std::string> args;
        int id;
        const char* out;
    };
    const std::vector<Case> cases = {
        {"hvi_addwatch", {"/bin/true"}, 19202, ""}, {"hvi_killproc", {"prog"}, 19267, ""},
        {"hvi_delwatch", {"prog"}, 19232, ""},      {"hvi_status", {}, 19287, ""},
        {"hvi_getgrpn", {}, 19581, "-2\n"},
    };
    std::vector<std::future<ToolResult>> runs;
    for (const Case& c : cases) runs.push_back(std::async(std::launch::async, [&c] { return RunTool(c.tool, c.args); }));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ToolResult r = runs[i].get();
        EXPECT_EQ(r.exitCode, 1) << cases[i].tool;
        EXPECT_EQ(r.out, cases[i].out) << cases[i].tool;
        EXPECT_TRUE(Reported(r, cases[i].id, "HV-init is not running.\n")) << cases[i].tool;
        EXPECT_LT(r.seconds, 15.0) << cases[i].tool;  // a bound, not a timing claim
    }
}

}  // namespace
