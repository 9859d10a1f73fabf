// The service program as a child, driven by hvsvcctl through its control pipe.
#include "ServiceTestSupport.h"

#include "HvinitEventLog.h"
#include "PreserveClient.h"
#include "ServiceCodes.h"
#include "ServiceControlClient.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

using namespace hvsvctest;
using hvsvc::ServiceControlClient;

// The datagrams the service sends to systemd, on a socket the test binds.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    }
    ~NotifySocket() {
        ::unsetenv("NOTIFY_SOCKET");
        ::close(fd_);
    }
    // Everything received so far, one datagram after the other.
    std::string Drain() {
        char buf[512];
        for (ssize_t n; (n = ::recv(fd_, buf, sizeof buf, 0)) > 0;) text_.append(buf, static_cast<std::size_t>(n));
        return text_;
    }

private:
    int fd_ = -1;
    std::string text_;
};

class ServiceFrameTest : public ::testing::Test {
protected:
    // hvsvc in service mode as a child of the test, up to RUNNING.
    Child StartService() {
        Child c = Spawn({HV_HVSVC_BIN});
        EXPECT_TRUE(WaitUntil([] {
            std::uint32_t state = 0;
            return ServiceControlClient::Send(hvsvc::kControlInterrogate, &state, nullptr) == 0 &&
                   state == hvsvc::kStateRunning;
        }));
        return c;
    }

    Installation inst_;
};

TEST_F(ServiceFrameTest, StartsPausesHoldsRequestsContinuesAndStopsWithHvstop) {
    std::ofstream(inst_.Root() + "/tmp/RUNNING") << "x";
    NotifySocket notify(inst_.Sys() + "/notify");
    Child svc = StartService();
    EXPECT_FALSE(std::filesystem::exists(inst_.Root() + "/tmp/RUNNING"));
    // systemd saw it start, then become ready.
    const std::string seen = notify.Drain();
    ASSERT_NE(seen.find("STATUS=START_PENDING"), std::string::npos) << seen;
    EXPECT_LT(seen.find("STATUS=START_PENDING"), seen.find("READY=1")) << seen;

    EXPECT_EQ(Ctl("status").out, "RUNNING\n");
    EXPECT_EQ(Ctl("pause").out, "PAUSED\n");
    // A request to a worker waits at the gate.
    auto held = std::async(std::launch::async, [] { return portlib::IsShmPreserved("nothing"); });
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    // A second pause and a status query keep the service as it is.
    EXPECT_EQ(Ctl("pause").out, "PAUSED\n");
    const CommandResult status = Ctl("status");
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out, "PAUSED\n");
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    EXPECT_EQ(Ctl("continue").out, "RUNNING\n");
    EXPECT_EQ(held.get(), static_cast<int>(portlib::kPreserveStatusNotFound));
    EXPECT_EQ(Ctl("continue").out, "RUNNING\n");  // does not apply: no change

    const CommandResult stop = Ctl("stop");
    EXPECT_EQ(stop.exitCode, 0);
    EXPECT_EQ(stop.out, "STOPPED\n");
    const int st = WaitChild(svc.pid, 10000);
    ASSERT_NE(st, -1);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    svc.pid = -1;
    Reap(svc);
    // hvstop ran detached in the program directory.
    ASSERT_TRUE(WaitUntil([&] { return inst_.StandinLog().find("hvstop.exe") != std::string::npos; }));
    EXPECT_NE(inst_.StandinLog().find("cwd=[" + inst_.Root() + "/bin]"), std::string::npos) << inst_.StandinLog();
    EXPECT_NE(notify.Drain().find("STOPPING=1"), std::string::npos);
    EXPECT_EQ(hvtest::Reports(hvsvc::kMsgTerminated).size(), 1u);
    EXPECT_EQ(Ctl("status").exitCode, 3);
}

TEST_F(ServiceFrameTest, SigtermStopsAndASecondServiceDoesNotStart) {
    Child svc = StartService();
    // The pipe is taken: the second program cannot run and says so.
    const CommandResult second = RunCommand({HV_HVSVC_BIN});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(hvtest::Reports(hvsvc::kMsgDispatcherFailed).size(), 1u);
    EXPECT_EQ(Ctl("status").out, "RUNNING\n");

    ::kill(svc.pid, SIGTERM);
    const int st = WaitChild(svc.pid, 10000);
    ASSERT_NE(st, -1);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    svc.pid = -1;
    EXPECT_TRUE(WaitUntil([&] { return inst_.StandinLog().find("hvstop.exe") != std::string::npos; }));
}

TEST_F(ServiceFrameTest, CtlStartDetachesWithoutZombieAndRefusesBadWords) {
    const CommandResult start = Ctl("start");
    ASSERT_EQ(start.exitCode, 0);
    EXPECT_EQ(start.out, "RUNNING\n");
    pid_t pid = 0;
    std::uint32_t state = 0;
    ASSERT_EQ(ServiceControlClient::Send(hvsvc::kControlInterrogate, &state, &pid), 0);
    // Not our child: no zombie can be left with the test.
    std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    EXPECT_NE(std::stoi(stat.substr(close + 4)), ::getpid());
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // no child at all

    EXPECT_EQ(Ctl("start").out, "RUNNING\n");  // already running
    EXPECT_EQ(Ctl("reboot").exitCode, 2);
    EXPECT_EQ(RunCommand({HV_HVSVCCTL_BIN}).exitCode, 2);
    EXPECT_EQ(Ctl("stop").exitCode, 0);
    // Ended (its new parent, the system's, reaps it).
    stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    EXPECT_TRUE(stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") << stat;
}

// Any argument: the workers run without any control until the process is killed.
TEST_F(ServiceFrameTest, ConsoleModeRunsTheWorkersWithoutControl) {
    Child console = Spawn({HV_HVSVC_BIN, "-console"});
    EXPECT_TRUE(WaitUntil([] { return portlib::IsShmPreserved("x") == static_cast<int>(portlib::kPreserveStatusNotFound); }));
    std::uint32_t state = 0;
    EXPECT_EQ(ServiceControlClient::Send(hvsvc::kControlInterrogate, &state, nullptr), 2);  // no control pipe
    EXPECT_EQ(WaitChild(console.pid, 0), -1);  // still running
    Reap(console);
}

// The unit verifies with its programs where the build put them.
TEST(ServiceUnit, SystemdVerifies) {
    if (::access("/usr/bin/systemd-analyze", X_OK) != 0) GTEST_SKIP() << "systemd-analyze not installed";
    hvtest::TempSystemDir sys;
    std::string unit = ReadText(HV_UNIT_FILE);
    const std::string bin = std::filesystem::path(HV_HVSVC_BIN).parent_path().string();
    for (std::size_t at; (at = unit.find("/opt/holdervane/bin")) != std::string::npos;)
        unit.replace(at, std::strlen("/opt/holdervane/bin"), bin);
    const std::string path = sys.Path() + "/hvsvc.service";
    std::ofstream(path) << unit;
    const CommandResult r = RunCommand({"/bin/sh", "-c", "systemd-analyze verify " + path + " 2>&1"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(unit.find("Type=notify"), std::string::npos);
    EXPECT_NE(unit.find("KillMode=process"), std::string::npos);
    // A dead service is started again, a bounded number of times.
    EXPECT_NE(unit.find("Restart=on-failure"), std::string::npos);
    EXPECT_NE(unit.find("StartLimitBurst="), std::string::npos);
}

}  // namespace
