// hvi_killproc and hvi_delwatch as real processes against a stand-in command
// pipe: the slot they find, the requests they send and what they kill.
#include "HvinitToolsFixture.h"

#include "ServiceTestSupport.h"

#include <csignal>
#include <regex>

namespace {

using hvtoolstest::HvinitToolsTest;
using hvtoolstest::Holder;
using hvtoolstest::Reported;
using hvtoolstest::RunTool;
using hvtoolstest::ToolResult;
using Texts = std::vector<std::string>;

constexpr const char* kKillUsage = "Usage: hvi_killproc [-c] [-d] [-s signal] [-w waittime] {procname | pid}\n";
constexpr const char* kDelUsage = "Usage: hvi_delwatch [-d] {procname|pid}\n";

bool Alive(pid_t pid) { return hvsvctest::WaitChild(pid, 0) == -1; }
// Ended by SIGKILL within a few seconds.
bool Killed(pid_t pid) {
    const int status = hvsvctest::WaitChild(pid, 5000);
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class HvKillDelwatch : public HvinitToolsTest {
protected:
    std::string Stop() const { return command_ + "::-1::-::-::-::-::-::-::-::0::0::0::S::-"; }
};

TEST_F(HvKillDelwatch, RefusedCommandLines) {
    Serve();
    struct Case {
        const char* tool;
        std::vector<std::string> args;
        int id;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"hvi_killproc", {}, 19266, kKillUsage},
        {"hvi_killproc", {"-s", "9", "prog"}, 19273, std::string("Unknown option - '-s'\n") + kKillUsage},
        {"hvi_killproc", {"-k", "a", "b"}, 19271, kKillUsage},
        {"hvi_killproc", {"-k"}, 19274, kKillUsage},
        {"hvi_delwatch", {}, 19231, kDelUsage},
        {"hvi_delwatch", {"-c", "prog"}, 19237, kDelUsage},
        {"hvi_delwatch", {"a", "b"}, 19236, kDelUsage},
        {"hvi_delwatch", {"-d"}, 19238, kDelUsage},
    };
    for (const Case& c : cases) {
        const ToolResult r = RunTool(c.tool, c.args);
        EXPECT_EQ(r.exitCode, 1) << c.tool;
        EXPECT_TRUE(Reported(r, c.id, c.text)) << c.tool;
    }
    EXPECT_EQ(Requests(), Texts{});
}

TEST_F(HvKillDelwatch, UnregisteredProcessesAreNamedWithAHintForAPid) {
    Slot(0, command_, 4321, 7, 'M');
    Serve();
    for (const char* tool : {"hvi_killproc", "hvi_delwatch"}) {
        const int id = std::string(tool) == "hvi_killproc" ? 19279 : 19242;
        ToolResult r = RunTool(tool, {"12345"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Reported(r, id, std::string(tool) + ": Process (pid=12345) is not registered with HV-init.\nTry " +
                                        tool + " <procname>\n"));
        r = RunTool(tool, {"/bin/other|x"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Reported(r, id, std::string(tool) + ": Process /bin/other is not registered with HV-init.\n"));
    }
    EXPECT_EQ(Requests(), Texts{});
}

TEST_F(HvKillDelwatch, KillThenPollNowSoThatTheMonitorRestartsIt) {
    Holder watched({program_, "wait"}, false);
    Slot(0, command_, watched.Pid(), 7, 'M');
    Serve();
    // -k: the requests only; -w is taken and changes nothing.
    ToolResult r = RunTool("hvi_killproc", {"-k", "-w", "9", std::to_string(watched.Pid())});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Alive(watched.Pid()));
    EXPECT_EQ(r.err.find("killed successfully"), std::string::npos);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_TRUE(std::regex_match(Requests()[0], std::regex("11 " + std::regex_replace(command_, std::regex("[|.]"),
                                                                                         "\\$&") +
                                                           "::-::-::-::-::-::-::-::-::[0-9]{10}::-::-::-::- 2 ")))
        << Requests()[0];

    r = RunTool("hvi_killproc", {program_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Killed(watched.Pid()));
    EXPECT_TRUE(Reported(r, 19281, "hvi_killproc: Process " + program_ + " wait has been killed successfully.\n"));
}

TEST_F(HvKillDelwatch, APidNowRunningAnotherProgramIsNotKilled) {
    // The slot's pid runs the probe under its own name, not the slot's program.
    Holder other({HV_PROBE_BIN, "wait"}, false);
    Slot(0, command_, other.Pid(), 7, 'M');
    Serve();
    const ToolResult r = RunTool("hvi_killproc", {command_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Alive(other.Pid()));
}

TEST_F(HvKillDelwatch, StatesAddTheirReports) {
    Slot(0, command_, -1, 7, 'D');
    Slot(1, "/bin/waiter|x", -1, 8, 'W', "inst");
    Slot(2, "/bin/killed|x", -1, 8, 'K');
    Serve();
    // Dead: nothing is killed and nothing said about killing; exit 0.
    ToolResult r = RunTool("hvi_killproc", {program_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Reported(r, 19276, "hvi_killproc: Process " + program_ + " wait is dead and is not being monitored.\n"));
    EXPECT_EQ(r.err.find("killed successfully"), std::string::npos);
    r = RunTool("hvi_killproc", {"-k", "/bin/waiter"});
    EXPECT_TRUE(Reported(r, 19278, "hvi_killproc: Process /bin/waiter x is waiting for inst cluster instance to "
                                   "become active.\n"));
    r = RunTool("hvi_killproc", {"-k", "/bin/killed|y"});
    EXPECT_TRUE(Reported(r, 19277, "hvi_killproc: Process /bin/killed x has already been killed.\n"));
    table_->slots[0].state = 'S';
    r = RunTool("hvi_killproc", {program_});
    EXPECT_TRUE(Reported(r, 19275, "hvi_killproc: Process " + program_ + " wait is not currenty being monitored.\n"));
    r = RunTool("hvi_delwatch", {program_});
    EXPECT_TRUE(Reported(r, 19239, "hvi_delwatch: Process " + program_ + " wait is not currently being monitored.\n"));
}

TEST_F(HvKillDelwatch, RequestSequences) {
    struct Case {
        const char* what;
        const char* tool;
        std::vector<std::string> options;
        std::string confinq;  // its reply
        char state;
        Texts requests;
        bool kills;
    };
    const std::string c = command_;
    const std::vector<Case> cases = {
        {"killproc -c: full removal, then kill", "hvi_killproc", {"-c"}, "0", 'M',
         {"12 " + c + " 1 ", "11 " + Stop() + " 1 ", "3 7 "}, true},
        {"delwatch -d: the same without the kill", "hvi_delwatch", {"-d"}, "0", 'M',
         {"12 " + c + " 1 ", "11 " + Stop() + " 1 ", "3 7 "}, false},
        {"killproc -d, in the file: stopped, slot kept", "hvi_killproc", {"-d"}, "1", 'M',
         {"2 " + c + " ", "11 " + Stop() + " 2 "}, true},
        {"delwatch, in the file: stopped, slot kept", "hvi_delwatch", {}, "1", 'M',
         {"2 " + c + " ", "11 " + Stop() + " 2 "}, false},
        {"delwatch, in the file and stopped already: nothing more", "hvi_delwatch", {}, "1", 'S',
         {"2 " + c + " "}, false},
        {"delwatch, not in the file: unregistered, group freed", "hvi_delwatch", {}, "0", 'M',
         {"2 " + c + " ", "11 " + Stop() + " 1 ", "3 7 "}, false},
        {"killproc -c -k: requests only", "hvi_killproc", {"-c", "-k"}, "0", 'M',
         {"12 " + c + " 1 ", "11 " + Stop() + " 1 ", "3 7 "}, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Holder watched({program_, "wait"}, false);
        Slot(0, command_, watched.Pid(), 7, k.state);
        Reply(hvinit::kCmdConfinq, k.confinq);
        Serve();
        std::vector<std::string> args = k.options;
        args.push_back(program_ + "|ignored");
        const ToolResult r = RunTool(k.tool, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Requests(), k.requests);
        EXPECT_TRUE(k.kills ? Killed(watched.Pid()) : Alive(watched.Pid()));
        if (std::string(k.tool) == "hvi_delwatch") {
            EXPECT_TRUE(Reported(r, 19244, "hvi_delwatch of process " + program_ + " wait has completed successfully.\n"));
        }
        server_.reset();
        table_->slots[0].inUse = 0;
    }
}

TEST_F(HvKillDelwatch, ARefusedRequestEndsTheSequence) {
    Holder watched({program_, "wait"}, false);
    Slot(0, command_, watched.Pid(), 7, 'M');
    Reply(hvinit::kCmdUpdateConf, "-2");
    Serve();
    ToolResult r = RunTool("hvi_killproc", {"-c", program_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19280, "hvi_killproc: Cannot kill the process " + program_ + " wait.\n"));
    EXPECT_TRUE(Alive(watched.Pid()));
    r = RunTool("hvi_delwatch", {"-d", program_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19243, "hvi_delwatch of process " + program_ + " wait has failed.\n"));
    EXPECT_EQ(Requests(), (Texts{"12 " + command_ + " 1 ", "12 " + command_ + " 1 "}));
}

}  // namespace
