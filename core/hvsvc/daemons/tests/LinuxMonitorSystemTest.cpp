// The monitor's real process layer: children started with their log, watched
// and killed through pidfds, and always reaped; the log file a start uses.
#include "ServiceTestSupport.h"

#include "HvinitProcessControl.h"
#include "LinuxMonitorSystem.h"

#include <gtest/gtest.h>

namespace {

using namespace hvsvctest;
using hvsvc::LinuxMonitorSystem;

// 'Z' for a zombie, 0 when the pid is gone.
char StateOf(int pid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

class LinuxMonitorSystemTest : public ::testing::Test {
protected:
    Installation inst_;
    LinuxMonitorSystem sys_;
};

TEST_F(LinuxMonitorSystemTest, AChildIsWatchedThroughItsPidfdAndReapedWhenItEnds) {
    int pid = -1;
    int handle = -1;
    ASSERT_EQ(sys_.Start({HV_PROBE_BIN, "stay"}, {}, &pid, &handle), 0);
    EXPECT_GT(handle, 2);
    EXPECT_TRUE(sys_.Alive(handle));
    EXPECT_NE(StateOf(pid), 0);
    ::kill(pid, SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return !sys_.Alive(handle); }));
    EXPECT_EQ(StateOf(pid), 0);  // reaped, not left a zombie
    sys_.Close(handle);
}

TEST_F(LinuxMonitorSystemTest, KillReturnsOnceTheProcessHasEnded) {
    int pid = -1;
    int handle = -1;
    ASSERT_EQ(sys_.Start({HV_PROBE_BIN, "stay"}, {}, &pid, &handle), 0);
    EXPECT_EQ(sys_.Kill(handle), 0);
    EXPECT_EQ(StateOf(pid), 0);
    EXPECT_FALSE(sys_.Alive(handle));
    sys_.Close(handle);
}

TEST_F(LinuxMonitorSystemTest, AProgramThatCannotRunIsAnErrorAndLeavesNoChild) {
    int pid = -1;
    int handle = -1;
    EXPECT_EQ(sys_.Start({inst_.Root() + "/bin/missing"}, {}, &pid, &handle), 2);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // no child of ours is left
}

TEST_F(LinuxMonitorSystemTest, OpenChecksTheImageWhenGivenACommand) {
    Child other = Spawn({"/bin/sleep", "30"});
    ASSERT_TRUE(WaitUntil([&] { return ReadText("/proc/" + std::to_string(other.pid) + "/comm") == "sleep\n"; }));
    int err = 0;
    EXPECT_EQ(sys_.Open(other.pid, (std::string(HV_PROBE_BIN) + "|stay").c_str(), &err), -1);
    const int h = sys_.Open(other.pid, "/opt/SLEEP.EXE|30", &err);  // named as find_pid_by_name names it
    EXPECT_GT(h, 2);
    EXPECT_TRUE(sys_.Alive(h));
    sys_.Close(h);
    EXPECT_EQ(sys_.Open(-1, nullptr, &err), -1);
    Reap(other);
}

TEST_F(LinuxMonitorSystemTest, ForkTruncatesTheLogAndRecoverAppends) {
    ASSERT_EQ(portlib::RegHVSetStr("HVINIT", "ProcessLogging", "1", portlib::HV_REG_SZ), 0);
    const std::string command = std::string(HV_PROBE_BIN) + "|bad";  // prints its usage on stderr
    const hvsvc::ProcessLog fork = hvsvc::HvinitProcessControl::LogFor(command, false);
    EXPECT_EQ(fork.path, inst_.Root() + "/tmp/hvinit_probe.log");
    std::ofstream(fork.path) << "old run\n";
    auto run = [&](const hvsvc::ProcessLog& log) {
        int pid = -1;
        int handle = -1;
        ASSERT_EQ(sys_.Start(hvsvc::HvinitProcessControl::Argv(command), log, &pid, &handle), 0);
        ASSERT_TRUE(WaitUntil([&] { return !sys_.Alive(handle); }));
        sys_.Close(handle);
    };
    run(fork);
    const std::string once = ReadText(fork.path);
    EXPECT_EQ(once.find("old run"), std::string::npos);
    EXPECT_NE(once.find("usage:"), std::string::npos);
    run(hvsvc::HvinitProcessControl::LogFor(command, true));
    EXPECT_EQ(ReadText(fork.path), once + once);
}

struct LogCase {
    const char* command;
    const char* logging;  // ProcessLogging, null: not set
    const char* log;      // under <root>/tmp, "" none
};

TEST_F(LinuxMonitorSystemTest, TheLogFileOfACommand) {
    const LogCase cases[] = {
        {"/opt/x/daemon.exe|-v", "1", "daemon.log"}, {"/opt/x/daemon", "0", ""},   {"/opt/x/daemon", nullptr, ""},
        {"/opt/x/QDB.EXE|a", "1", ""},                {"/opt/bin/mxrcfgstore", "1", ""},
        {"/opt/x/qdbd|a", "1", "qdbd.log"},
    };
    for (const LogCase& c : cases) {
        if (c.logging != nullptr) ASSERT_EQ(portlib::RegHVSetStr("HVINIT", "ProcessLogging", c.logging, portlib::HV_REG_SZ), 0);
        else portlib::RegHVDelVal("HVINIT", "ProcessLogging");
        const hvsvc::ProcessLog log = hvsvc::HvinitProcessControl::LogFor(c.command, true);
        EXPECT_EQ(log.path, *c.log ? inst_.Root() + "/tmp/" + c.log : "") << c.command;
        EXPECT_TRUE(log.append);
    }
    EXPECT_EQ(hvsvc::HvinitProcessControl::Argv("/bin/p|a||b|"), (std::vector<std::string>{"/bin/p", "a", "b"}));
}

}  // namespace
