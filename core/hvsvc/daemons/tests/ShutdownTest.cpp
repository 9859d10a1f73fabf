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
#include <filesystem>
#include <fstream>
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
        for (Child* c : {&manager_, &daemon_})
            if (c->pid > 0) {
                ::kill(c->pid, SIGTERM);
                WaitChild(c->pid, 10000);
                Reap(*c);
            }
        hvi_shm_detach(table_);
        hvi_shm_remove();
        for (const char* v : {"TEST_ROOT", "TEST_UNAME", "MXRHOSTNAME"}) ::unsetenv(v);
    }
    // The database of this host (the daemon stand-in and the manager's host
    // program) with the flags `flags` loaded from config/flg.
    void StartDatabase(const std::string& flags) {
        std::filesystem::create_directories(inst_.Root() + "/config");
        std::filesystem::create_directories(inst_.Root() + "/etc");
        std::ofstream(inst_.Root() + "/config/flg") << flags;
        std::ofstream(inst_.Root() + "/etc/Holdervane") << "INITTIMEOUT=20\n";
        ::setenv("TEST_ROOT", inst_.Root().c_str(), 1);
        ::setenv("TEST_UNAME", "TESTHOST", 1);
        ::setenv("MXRHOSTNAME", "TESTHOST", 1);
        const std::string log = inst_.Sys() + "/qdb.out";
        daemon_ = Spawn({"/bin/sh", "-c", std::string("exec ") + HV_QDB_BIN + " >" + log + " 2>&1"});
        manager_ = Spawn({"/bin/sh", "-c", std::string("exec ") + HV_MXRCFGSTORE_BIN + " >/dev/null 2>&1"});
        ASSERT_TRUE(WaitUntil([&] { return ReadText(log).find("qdb: serving") != std::string::npos; }, 20000))
            << ReadText(log);
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
    Child daemon_, manager_;
};

TEST_P(ShutdownTest, KillsTheTableProcessesAndRunsTheSwitchoverOnlyWithTheFlag) {
    StartDatabase(GetParam().flag ? std::string("other_flag\n") + hvsvc::kSwitchoverFlag + "\n" : "other_flag\n");
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
