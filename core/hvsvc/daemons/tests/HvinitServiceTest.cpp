// The service's HV-init with real processes: hvsvc in console mode in a PID
// namespace of its own (its own /proc, so the programs it looks for by name
// are only its own), under a small init that restarts it when it ends.
// Killing the init at the end ends everything in the namespace.
#include "ServiceTestSupport.h"

#include "HvinitEventLog.h"
#include "libHVinit.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

namespace {

using namespace hvsvctest;
namespace fs = std::filesystem;

// The host pids of the processes in the namespace of `init` whose namespace
// pid is nsPid (0: all), with their state letter.
struct HostProcess {
    pid_t hostPid;
    pid_t nsPid;
    pid_t hostParent;
    char state;
    std::string name;
};

std::vector<HostProcess> ProcessesOf(pid_t init) {
    std::vector<HostProcess> out;
    char link[64] = {};
    const std::string want = "/proc/" + std::to_string(init) + "/ns/pid";
    if (::readlink(want.c_str(), link, sizeof link - 1) <= 0) return out;
    DIR* d = ::opendir("/proc");
    if (d == nullptr) return out;
    while (dirent* e = ::readdir(d)) {
        const pid_t pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        char other[64] = {};
        const std::string ns = "/proc/" + std::to_string(pid) + "/ns/pid";
        if (::readlink(ns.c_str(), other, sizeof other - 1) <= 0 || std::strcmp(other, link) != 0) continue;
        std::istringstream status(ReadText("/proc/" + std::to_string(pid) + "/status"));
        HostProcess p{pid, 0, 0, '?', ""};
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Name:", 0) == 0) p.name = line.substr(line.find_first_not_of(" \t", 5));
            if (line.rfind("State:", 0) == 0) p.state = line[line.find_first_not_of(" \t", 6)];
            if (line.rfind("PPid:", 0) == 0) p.hostParent = std::atoi(line.c_str() + 5);
            if (line.rfind("NSpid:", 0) == 0) p.nsPid = std::atoi(line.c_str() + line.find_last_of(" \t"));
        }
        out.push_back(p);
    }
    ::closedir(d);
    return out;
}

class HvinitServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = inst_.Root();
        fs::create_directories(root_ + "/etc");
        for (const char* name : {"hvmona", "hvmonb"}) fs::copy_file(HV_PROBE_BIN, root_ + "/bin/" + name);
        std::ofstream(root_ + "/bin/ondead.sh") << "#!/bin/sh\necho ran >> \"$(dirname \"$0\")/../tmp/dead.mark\"\n";
        fs::permissions(root_ + "/bin/ondead.sh", fs::perms::owner_all);
    }
    void TearDown() override {
        if (table_ != nullptr) hvi_shm_detach(table_);
        hvi_shm_remove();
        if (init_ > 0) {
            ::kill(init_, SIGKILL);
            ::waitpid(init_, nullptr, 0);
        }
    }

    void Config(const std::string& text) { std::ofstream(root_ + "/etc/hvinit.config") << text; }

    static constexpr int kMostServiceStarts = 20;
    // The init of a new PID namespace, restarting the service whenever it ends.
    void StartService() {
        const std::string out = inst_.Sys() + "/hvsvc.out";
        init_ = static_cast<pid_t>(::syscall(SYS_clone, SIGCHLD | CLONE_NEWPID | CLONE_NEWNS, nullptr, nullptr,
                                             nullptr, nullptr));
        ASSERT_GE(init_, 0) << std::strerror(errno);
        if (init_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("proc", "/proc", "proc", 0, nullptr) != 0)
                ::_exit(3);
            // At once each time, as an init without a restart delay would; a
            // service that cannot start ends the loop after so many tries
            // rather than making it spin.
            for (int starts = 0; starts < kMostServiceStarts; ++starts) {
                const pid_t svc = ::fork();
                if (svc == 0) {
                    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
                    ::dup2(fd, 1);
                    ::dup2(fd, 2);
                    ExecArgv({HV_HVSVC_BIN, "console"});
                }
                for (pid_t r; (r = ::wait(nullptr)) != svc;)
                    if (r < 0 && errno == ECHILD) break;
            }
            ::_exit(4);
        }
        ASSERT_TRUE(WaitUntil([&] { return ServiceHostPid() > 0; }));
    }

    pid_t ServiceHostPid() const {
        for (const HostProcess& p : ProcessesOf(init_))
            if (p.name == "hvsvc" && p.hostParent == init_ && p.state != 'Z') return p.hostPid;
        return -1;
    }
    std::vector<HostProcess> Named(const std::string& name) const {
        std::vector<HostProcess> found;
        for (const HostProcess& p : ProcessesOf(init_))
            if (p.name == name && p.state != 'Z') found.push_back(p);
        return found;
    }
    void KillInNamespace(pid_t nsPid) {
        for (const HostProcess& p : ProcessesOf(init_))
            if (p.nsPid == nsPid) ::kill(p.hostPid, SIGKILL);
    }

    // The table, attached once the service made it.
    hvinit::HvinitTable* Table() {
        if (table_ == nullptr && WaitUntil([] { return hvi_shm_get() == 1; }))
            table_ = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
        return table_;
    }
    const hvinit::HvinitSlot& Slot(int n) { return Table()->slots[n]; }
    bool Monitored(int n) { return Slot(n).inUse == 1 && Slot(n).state == 'M' && Slot(n).pid > 1; }

    Installation inst_;
    std::string root_;
    pid_t init_ = -1;
    hvinit::HvinitTable* table_ = nullptr;
};

TEST_F(HvinitServiceTest, RestartsWithinTheBudgetThenDeclaresDeadAndStopsTheGroup) {
    Config(root_ + "/bin/hvmona|stay 7 X 1 2 1 60 " + root_ + "/bin/ondead.sh\n\n" + root_ +
           "/bin/hvmonb|stay 7 X 1 X 1 X X\n");
    StartService();
    ASSERT_NE(Table(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Monitored(0) && Monitored(1); }));
    EXPECT_EQ(Named("hvmona").size(), 1u);

    for (int death = 1; death <= 2; ++death) {
        const int old = Slot(0).pid;
        const int partner = Slot(1).pid;
        KillInNamespace(old);
        // Found within the poll time (1 s), restarted at once.
        EXPECT_TRUE(WaitUntil([&] { return Monitored(0) && Slot(0).pid != old && Monitored(1); }, 1000 + 2000))
            << "death " << death;
        EXPECT_EQ(Slot(0).failCount, death);
        EXPECT_NE(Slot(1).pid, partner);  // killed and restarted with its group
        EXPECT_EQ(Named("hvmona").size(), 1u);
        EXPECT_EQ(Named("hvmonb").size(), 1u);
    }
    KillInNamespace(Slot(0).pid);
    ASSERT_TRUE(WaitUntil([&] { return Slot(0).state == 'D'; }, 5000));
    EXPECT_EQ(Slot(0).pid, -1);
    EXPECT_TRUE(WaitUntil([&] { return Slot(1).state == 'S' && Named("hvmonb").empty(); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(root_ + "/tmp/dead.mark"); }, 5000));
    EXPECT_EQ(hvtest::Reports(19026).size(), 1u);
    EXPECT_TRUE(Named("hvmona").empty());
}

TEST_F(HvinitServiceTest, AServiceRestartAdoptsWhatRunsAndStartsNothingTwice) {
    Config(root_ + "/bin/hvmona|stay X X 1 X 1 X X\n" + root_ + "/bin/hvmonb|stay X X 1 X 1 X X\n");
    StartService();
    ASSERT_NE(Table(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Monitored(0) && Monitored(1); }));
    const int a = Slot(0).pid;
    const int b = Slot(1).pid;

    // Without a table left behind: a new table, the configuration read again,
    // and FORK finds each program running.
    hvi_shm_detach(table_);
    table_ = nullptr;
    hvi_shm_remove();
    const pid_t first = ServiceHostPid();
    ::kill(first, SIGKILL);
    // The init starts the next service only once the first one is gone.
    ASSERT_TRUE(WaitUntil([&] { const pid_t p = ServiceHostPid(); return p > 0 && p != first; }));
    ASSERT_TRUE(WaitUntil([&] { return Table() != nullptr && Table()->header.serverReady == 1; }));
    EXPECT_TRUE(hvtest::Reports(19051).empty());  // a new table
    ASSERT_TRUE(WaitUntil([&] { return Monitored(0) && Monitored(1); }));
    EXPECT_EQ(Slot(0).pid, a);
    EXPECT_EQ(Slot(1).pid, b);
    EXPECT_GE(hvtest::Reports(19114).size(), 2u);

    // With the table kept: the new service takes it over, looks each process
    // up again and keeps watching it.
    const pid_t oldService = ServiceHostPid();
    ::kill(oldService, SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { const pid_t p = ServiceHostPid(); return p > 0 && p != oldService; }));
    ASSERT_TRUE(WaitUntil([&] { return hvtest::Reports(19051).size() == 1; }));
    // It still watches them: a death is restarted.
    KillInNamespace(a);
    ASSERT_TRUE(WaitUntil([&] { return Monitored(0) && Slot(0).pid != a; }, 5000));
    EXPECT_EQ(Slot(1).pid, b);
    EXPECT_EQ(Named("hvmona").size(), 1u);
    EXPECT_EQ(Named("hvmonb").size(), 1u);
}

// The service under systemd, as its unit runs it (a transient unit with the
// unit's restart settings): killed, it comes back, and its monitor adopts
// the program still running instead of starting a second copy.
TEST_F(HvinitServiceTest, UnderSystemdAKilledServiceComesBackAndAdoptsItsProgram) {
    if (::access("/run/systemd/system", F_OK) != 0 || ::access("/usr/bin/systemd-run", X_OK) != 0)
        GTEST_SKIP() << "systemd is not running on this machine (no /run/systemd/system): the restart of the "
                        "service under a transient systemd unit is not tried";
    Config(root_ + "/bin/hvmona|stay X X 1 X 1 X X\n");
    const std::string unit = "hvsvc-test-" + std::to_string(::getpid());
    const CommandResult run = RunCommand({"/usr/bin/systemd-run", "--quiet", "--collect", "--unit=" + unit, "-p",
                                          "Type=notify", "-p", "NotifyAccess=main", "-p", "KillMode=process", "-p",
                                          "Restart=on-failure", "-p", "RestartSec=1",
                                          "--setenv=HV_SYSTEM_DIR=" + inst_.Sys(), HV_HVSVC_BIN});
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto mainPid = [&] {
        const CommandResult r = RunCommand({"/usr/bin/systemctl", "show", "-p", "MainPID", "--value", unit});
        return r.exitCode == 0 ? std::atoi(r.out.c_str()) : 0;
    };
    // Every process whose program is this root's hvmona.
    const auto copies = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string cmd = ReadText(e.path().string() + "/cmdline");
            if (cmd.rfind(root_ + "/bin/hvmona", 0) == 0) ++n;
        }
        return n;
    };
    const pid_t first = mainPid();
    EXPECT_GT(first, 0);
    EXPECT_TRUE(WaitUntil([&] { return Table() != nullptr && Monitored(0); }, 10000));
    const int program = Slot(0).pid;
    if (first > 0) ::kill(first, SIGKILL);
    // Back within its restart delay and a start.
    EXPECT_TRUE(WaitUntil([&] { const pid_t p = mainPid(); return p > 0 && p != first; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return Monitored(0); }, 10000));
    EXPECT_EQ(Slot(0).pid, program);
    EXPECT_EQ(copies(), 1);
    RunCommand({"/usr/bin/systemctl", "stop", unit});
    if (program > 1) ::kill(program, SIGKILL);
}

TEST_F(HvinitServiceTest, NoZombieIsLeftAfterAHundredRestarts) {
    std::string config;
    constexpr int kPrograms = 20;
    for (int i = 0; i < kPrograms; ++i) {
        const std::string name = "hvz" + std::to_string(i);
        fs::copy_file(HV_PROBE_BIN, root_ + "/bin/" + name);
        config += root_ + "/bin/" + name + "|exit X X 1 -1 1 X X\n";
    }
    Config(config);
    StartService();
    ASSERT_NE(Table(), nullptr);
    auto restarts = [&] {
        int sum = 0;
        for (int i = 0; i < kPrograms; ++i) sum += Slot(i).failCount;
        return sum;
    };
    ASSERT_TRUE(WaitUntil([&] { return restarts() >= 100; }, 25000)) << restarts();
    // Stop the watching as hvi_stopwatch does, by the state letter in the
    // table; a pass under way may still restart a slot, so until all stay S.
    ASSERT_TRUE(WaitUntil([&] {
        bool all = true;
        for (int i = 0; i < kPrograms; ++i) {
            all = all && Slot(i).state == 'S';
            Table()->slots[i].state = 'S';
        }
        return all;
    }));
    const pid_t svc = ServiceHostPid();
    auto zombies = [&] {
        int n = 0;
        for (const HostProcess& p : ProcessesOf(init_)) n += p.hostParent == svc && p.state == 'Z';
        return n;
    };
    EXPECT_TRUE(WaitUntil([&] { return zombies() == 0; }, 5000)) << zombies();
}

TEST_F(HvinitServiceTest, AStalledClientDelaysNoRestartBeyondSixSeconds) {
    Config(root_ + "/bin/hvmona|stay X X 1 X 1 X X\n");
    StartService();
    ASSERT_NE(Table(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Monitored(0); }));
    namespace pp = portlib::platform;
    pp::PipeConnectOptions options;
    options.readMode = pp::PipeReadMode::Byte;
    int stalled = -1;
    ASSERT_EQ(pp::PipeConnect(hvinit::kPipeName, options, &stalled), 0);
    const int old = Slot(0).pid;
    KillInNamespace(old);
    // The silent client costs at most its 5 s, then the pass restarts the process.
    EXPECT_TRUE(WaitUntil([&] { return Monitored(0) && Slot(0).pid != old; }, 6000 + 1000));
    char reply[300] = {};
    pollfd p = {stalled, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 7000), 1);
    std::size_t got = 0;
    EXPECT_EQ(pp::PipeRead(stalled, reply, sizeof reply, &got), 0);
    EXPECT_STREQ(reply, "-3");
    pp::PipeClose(stalled);
}

}  // namespace
