// hvi_addwatch as a real process against a stand-in command pipe: what it
// refuses, what it computes and exactly what it asks the monitor.
#include "HvinitToolsFixture.h"

#include <csignal>

namespace {

using hvtoolstest::HvinitToolsTest;
using hvtoolstest::Reported;
using hvtoolstest::RunTool;
using hvtoolstest::ToolResult;

constexpr const char* kUsage =
    "Usage hvi_addwatch [-a] [-g grpnum]\n"
    "[-c ciname] [-p polltime] [-r restart count] [-i restart interval]\n"
    "[-u restart time unit] [-f filename] {[-m {procname | pid}] path}\n";

class HvAddWatch : public HvinitToolsTest {};

TEST_F(HvAddWatch, RefusedCommandLines) {
    Serve();
    struct Case {
        std::vector<std::string> args;
        int id;
        std::string text;
    };
    const std::string longPath = "/" + std::string(255, 'p');
    const std::vector<Case> cases = {
        {{"-g", "0", command_}, 19208, std::string("Invalid Group Number  - '0'\n") + kUsage},
        {{"-g129", command_}, 19208, std::string("Invalid Group Number  - '129'\n") + kUsage},
        {{"-g", "4294967297", command_}, 19208, std::string("Invalid Group Number  - '2147483647'\n") + kUsage},
        {{"-z", command_}, 19211, std::string("Unknown option - '-z'\n") + kUsage},
        {{command_, command_}, 19206, kUsage},  // two paths
        {{"-a"}, 19212, kUsage},                // no path
        {{longPath}, 19207,
         "Process Name, " + longPath + " (including process arguments) must be < 256 characters long.\n"},
        {{"-c", std::string(30, 'c'), command_}, 19209,
         "Cluster Instance Name, " + std::string(30, 'c') + " must be < 30 characters long.\n"},
        {{"-f", std::string(128, 'f'), command_}, 19210,
         "File Name, " + std::string(128, 'f') + " must be < 128 characters long.\n"},
        {{"/no/such/program|x"}, 19217, "Cannot access the file, /no/such/program on machine TESTHOST.\n"},
        {{"-m", "2000000000", command_}, 19213, "Process 2000000000 is not running on machine TESTHOST.\n"},
        // A blank would make the rest of the command the request's type field.
        {{program_ + "|a 1"}, 19222, "hvi_addwatch: '" + program_ + "|a 1' cannot be registered"},
        {{"-c", "ci::x", command_}, 19222, "hvi_addwatch: 'ci::x' cannot be registered"},
    };
    for (const Case& c : cases) {
        const ToolResult r = RunTool("hvi_addwatch", c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args[0];
        EXPECT_TRUE(Reported(r, c.id, c.text));
    }
    EXPECT_EQ(Requests(), std::vector<std::string>{});  // nothing was asked of the monitor

    // Without any argument only the usage: not even the readiness probe.
    const std::size_t before = server_->Requests().size();
    const ToolResult bare = RunTool("hvi_addwatch");
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_TRUE(Reported(bare, 19201, kUsage));
    EXPECT_EQ(server_->Requests().size(), before);
}

TEST_F(HvAddWatch, RequestTextsOfARegistration) {
    Serve();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> requests;  // after the command, {c} stands for it
    };
    const std::vector<Case> cases = {
        {"defaults from the table", {"{c}"}, {"5 {c} ", "6 -1 ", "11 {c}::4242::7::X::5::5::5::25::X::0::0::0::M::6 0 "}},
        {"a negative restart count: no limit, no window",
         {"-r", "-3", "{c}"},
         {"5 {c} ", "6 -1 ", "11 {c}::4242::7::X::5::-1::5::0::X::0::0::0::M::6 0 "}},
        {"a small time unit raised; -a writes what was given, X for the rest",
         {"-a", "-u3", "-r", "4", "-i", "2", "-g", "12", "-f", "/bin/true", "{c}"},
         {"5 {c} ", "12 {c}::12::X::X::4::2::8::/bin/true 0 ",
          "11 {c}::4242::12::X::5::4::2::8::/bin/true::0::0::0::M::6 0 "}},
        {"zero and negative values are ignored",
         {"-p0", "-i", "-1", "-u", "0", "-r0", "{c}"},
         {"5 {c} ", "6 -1 ", "11 {c}::4242::7::X::5::5::5::25::X::0::0::0::M::6 0 "}},
        {"a cluster instance: not started, pid -1, waiting",
         {"-c", "inst", "-a", "{c}"},
         {"6 -1 ", "12 {c}::7::inst::X::X::X::X::X 0 ", "11 {c}::-1::7::inst::5::5::5::25::X::0::0::0::W::6 0 "}},
    };
    auto expand = [this](std::string text) {
        for (std::size_t at; (at = text.find("{c}")) != std::string::npos;) text.replace(at, 3, command_);
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server_.reset();
        Serve();
        std::vector<std::string> args, wanted;
        for (const std::string& a : c.args) args.push_back(expand(a));
        for (const std::string& r : c.requests) wanted.push_back(expand(r));
        const ToolResult r = RunTool("hvi_addwatch", args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Reported(r, 19221, "hvi_addwatch of process " + program_ + " wait has completed successfully.\n"));
        EXPECT_EQ(Requests(), wanted);
    }
}

TEST_F(HvAddWatch, AdoptsARunningProcessByPidAndUpdatesAKnownSlot) {
    hvtoolstest::Holder running({program_, "wait"}, false);
    const std::string pid = std::to_string(running.Pid());
    Serve();
    ToolResult r = RunTool("hvi_addwatch", {"-m", pid, command_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Requests(), (std::vector<std::string>{
                              "6 -1 ", "11 " + command_ + "::" + pid + "::7::X::5::5::5::25::X::0::0::0::M::6 0 "}));

    // Known to the table in state M under another pid: an update that keeps
    // the slot's counters, with the group the monitor has for it.
    Slot(4, command_, 999999, 3, 'M');
    server_.reset();
    Reply(hvinit::kCmdGetGrpNum, "3");
    Serve();
    r = RunTool("hvi_addwatch", {"-g", "9", "-m", pid, command_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Requests(), (std::vector<std::string>{"6 " + command_ + " ",
                                                    "11 " + command_ + "::" + pid +
                                                        "::3::X::5::5::5::25::X::-::-::-::M::6 2 "}));

    // The running pid is in a slot already.
    table_->slots[4].pid = running.Pid();
    r = RunTool("hvi_addwatch", {"-m", pid, command_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19215, "HV-init is already monitoring the process " + command_ + " on machine TESTHOST.\n"));
}

TEST_F(HvAddWatch, PendingSlotsAndFailedRequestsEndWithOne) {
    Slot(0, command_, -1, 2, 'I');
    Serve();
    ToolResult r = RunTool("hvi_addwatch", {command_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19218, "HV-init is already monitoring process " + command_ + " on machine TESTHOST.\n"));

    table_->slots[0].inUse = 0;
    Reply(hvinit::kCmdFork, "-2");
    r = RunTool("hvi_addwatch", {command_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19219, "hvi_addwatch of process " + program_ + " wait has failed.\n"));

    Reply(hvinit::kCmdFork, "4242 17");
    Reply(hvinit::kCmdGetGrpNum, "-2");
    r = RunTool("hvi_addwatch", {command_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19216, "Unable to get the fault resilient group number.\n"));

    Reply(hvinit::kCmdGetGrpNum, "7");
    Reply(hvinit::kCmdUpdate, "-2");
    r = RunTool("hvi_addwatch", {command_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Reported(r, 19220, "hvi_addwatch of process " + program_ + " wait has failed.\n"));
}

}  // namespace
