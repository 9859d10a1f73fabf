// System shutdown: the switchover script when the flag is set, then the
// processes of the HV-init table are killed; a pid whose image is not the
// slot's program is left alone.
#include "ServiceTestSupport.h"

#include "HvinitEventLog.h"
#include "ServiceCodes.h"
#include "ServiceControlClient.h"
#include "ShutdownFlag.h"
#include "MonitoredKiller.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <ctime>
#include <cstring>
#include <memory>
#include <sys/syscall.h>

namespace {

using namespace hvsvctest;

struct ShutdownCase {
    const char* name;
    bool flag;
};

void PrintTo(const ShutdownCase& c, std::ostream* os) { *os << c.name; }

class ShutdownTest : public ::testing::TestWithParam<ShutdownCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(hvi_shm_create(), 1);
        table_ = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
        ASSERT_NE(table_, nullptr);
    }
    void TearDown() override {
        hvi_shm_detach(table_);
        hvi_shm_remove();
        ::unsetenv(hvsvc::kFlagsFileVariable);
    }
    void Put(int index, const std::string& command, pid_t pid) {
        hvinit::HvinitSlot& slot = table_->slots[index];
        slot.inUse = 1;
        std::strncpy(slot.command, command.c_str(), sizeof slot.command - 1);
        slot.pid = pid;
        slot.processHandle = 0;
        slot.state = hvinit::kStateMonitoring;
        // Not polled by the service's monitor while the test runs.
        slot.pollTime = 1000000;
        slot.nextPollTime = static_cast<std::int32_t>(::time(nullptr) + slot.pollTime);
    }

    Installation inst_;
    hvinit::HvinitTable* table_ = nullptr;
};

TEST_P(ShutdownTest, KillsTheTableProcessesAndRunsTheSwitchoverOnlyWithTheFlag) {
    if (GetParam().flag) {
        const std::string flags = inst_.Sys() + "/flags";
        std::ofstream(flags) << "other_flag\n" << hvsvc::kSwitchoverFlag << "\n";
        ::setenv(hvsvc::kFlagsFileVariable, flags.c_str(), 1);
    }
    Child a = Spawn({HV_PROBE_BIN, "wait"});
    Child b = Spawn({HV_PROBE_BIN, "wait"});
    Child other = Spawn({"/bin/sleep", "30"});  // listed under a program it is not
    Put(0, std::string(HV_PROBE_BIN) + "|wait", a.pid);
    Put(3, "hvinit_probe|wait", b.pid);
    Put(5, std::string(HV_PROBE_BIN) + "|wait", other.pid);
    Child svc = Spawn({HV_HVSVC_BIN});
    ASSERT_TRUE(WaitUntil([] {
        std::uint32_t state = 0;
        return hvsvc::ServiceControlClient::Send(hvsvc::kControlInterrogate, &state, nullptr) == 0 &&
               state == hvsvc::kStateRunning;
    }));

    const CommandResult r = Ctl("shutdown");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "RUNNING\n");  // shutdown leaves the reported state alone
    for (Child* c : {&a, &b}) {
        const int st = WaitChild(c->pid, 5000);
        EXPECT_TRUE(st != -1 && WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) << st;
        if (st != -1) c->pid = -1;
    }
    EXPECT_EQ(WaitChild(other.pid, 0), -1) << "a process of another image was killed";
    EXPECT_EQ(hvtest::Reports(hvsvc::kMsgCannotOpenToKill).size(), 1u);
    EXPECT_EQ(table_->slots[0].state, hvinit::kStateMonitoring);

    const std::string log = inst_.StandinLog();
    if (GetParam().flag) {
        EXPECT_NE(log.find("inh_failover.ksh args=[TESTHOST] HVBIN=[" + inst_.Root() + "/bin/]"), std::string::npos)
            << log;
    } else {
        EXPECT_EQ(log.find("inh_failover.ksh"), std::string::npos) << log;
    }
    EXPECT_EQ(Ctl("stop").exitCode, 0);
    EXPECT_NE(WaitChild(svc.pid, 10000), -1);
    svc.pid = -1;
    for (Child* c : {&a, &b, &other, &svc}) Reap(*c);
}

INSTANTIATE_TEST_SUITE_P(Flag, ShutdownTest,
                         ::testing::Values(ShutdownCase{"WithFlag", true}, ShutdownCase{"WithoutFlag", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The slot's handle is used only when it is this process's pidfd of that pid.
TEST(MonitoredKiller, UsesTheSlotsPidfdOnlyWhenItNamesTheSlotsPid) {
    hvtest::TempSystemDir sys;
    auto table = std::make_unique<hvinit::HvinitTable>();
    std::memset(table.get(), 0, sizeof *table);
    Child byHandle = Spawn({"/bin/sleep", "30"});
    Child wrongHandle = Spawn({"/bin/sleep", "30"});
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, byHandle.pid, 0));
    const int otherPidfd = static_cast<int>(::syscall(SYS_pidfd_open, ::getpid(), 0));
    ASSERT_GE(pidfd, 0);
    struct Row {
        Child* child;
        int handle;
    };
    // Both listed under a program they are not: only a true handle reaches them.
    const Row rows[] = {{&byHandle, pidfd}, {&wrongHandle, otherPidfd}};
    for (int i = 0; i < 2; ++i) {
        table->slots[i].inUse = 1;
        std::strcpy(table->slots[i].command, "someprogram|arg");
        table->slots[i].pid = rows[i].child->pid;
        table->slots[i].processHandle = rows[i].handle;
    }
    EXPECT_TRUE(hvsvc::MonitoredKiller::IsPidfdOf(pidfd, byHandle.pid));
    EXPECT_FALSE(hvsvc::MonitoredKiller::IsPidfdOf(otherPidfd, byHandle.pid));
    EXPECT_FALSE(hvsvc::MonitoredKiller::IsPidfdOf(0, byHandle.pid));
    EXPECT_EQ(hvsvc::MonitoredKiller::KillAll(table.get()), 1);
    const int st = WaitChild(byHandle.pid, 5000);
    EXPECT_TRUE(st != -1 && WIFSIGNALED(st)) << st;
    if (st != -1) byHandle.pid = -1;
    EXPECT_EQ(WaitChild(wrongHandle.pid, 0), -1);
    ::close(pidfd);
    ::close(otherPidfd);
    Reap(byHandle);
    Reap(wrongHandle);
}

// The flag question runs in a child bounded in time: a question that hangs
// or ends its process answers "absent".
int Hangs(const char*, const char*, int) {
    for (;;) ::pause();
}
int Exits(const char*, const char*, int) { ::_exit(0); }
int Present(const char*, const char*, int) { return 0; }
int Absent(const char*, const char*, int) { return 1; }

TEST(ShutdownFlag, AnswersOnlyWhenTheChildSaysPresent) {
    struct Case {
        hvsvc::FlagTestFunction test;
        bool expected;
    };
    for (const Case& c : {Case{Present, true}, Case{Absent, false}, Case{Hangs, false}}) {
        hvsvc::SetShutdownFlagTest(c.test);
        EXPECT_EQ(hvsvc::AskFlagInChild(hvsvc::kSwitchoverFlag, 300), c.expected);
    }
    // A question that ends its process has not answered.
    hvsvc::SetShutdownFlagTest(Exits);
    EXPECT_FALSE(hvsvc::AskFlagInChild(hvsvc::kSwitchoverFlag, 300));
    hvsvc::SetShutdownFlagTest(nullptr);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // every child reaped
}

}  // namespace
