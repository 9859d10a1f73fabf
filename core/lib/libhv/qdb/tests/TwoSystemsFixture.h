// Two systems with a database on this machine, NODEA and NODEB, each with
// its own system directory, root, daemon and manager, joined by the relay.
// Clients of either system run as children of the test; everything started
// here is stopped at the end.
#pragma once

#include "ChildReport.h"
#include "QdbDaemonFixture.h"
#include "RootBin.h"
#include "TempSystemDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qdbfixture {

struct System {
    std::string name, dir, root;
    // The environment of every process of this system.
    void Enter() const {
        ::setenv("HV_SYSTEM_DIR", dir.c_str(), 1);
        ::setenv("TEST_ROOT", root.c_str(), 1);
        ::setenv("TEST_UNAME", name.c_str(), 1);
        ::setenv("MXRHOSTNAME", name.c_str(), 1);
    }
};

class TwoSystemsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        a_ = Make("NODEA", dirA_.Path());
        b_ = Make("NODEB", dirB_.Path());
        ASSERT_TRUE(StartSystem(a_));
        ASSERT_TRUE(StartSystem(b_));
        ASSERT_TRUE(StartRelay());
    }
    // Starts the daemon and the manager of s and waits until the daemon
    // serves (it does once its manager is available).
    bool StartSystem(const System& s) {
        const pid_t daemon = Start(s, HV_QDB_BIN, {"qdb"});
        daemons_[s.name] = daemon;
        managers_[s.name] = Start(s, HV_MXRCFGSTORE_BIN, {"mxrcfgstore"});
        const bool up = WaitForLine(daemon, "qdb: serving");
        EXPECT_TRUE(up) << Err(daemon) << Err(managers_[s.name]);
        return up;
    }
    // Joins the two managers.
    bool StartRelay() {
        relay_ = Start(a_, HV_RELAY_BIN, {"hvrelay", a_.dir, a_.name, b_.dir, b_.name});
        const bool joined = WaitForLine(relay_, "hvrelay: joined NODEA and NODEB");
        EXPECT_TRUE(joined) << Err(relay_);
        return joined;
    }
    void TearDown() override {
        // The relay first, then the managers, then the daemons.
        while (!started_.empty()) Stop(started_.back());
    }

    static System Make(const std::string& name, const std::string& dir) {
        System s{name, dir, dir + "/root"};
        std::filesystem::create_directories(s.root + "/etc");
        std::ofstream(s.root + "/etc/Holdervane") << "INITTIMEOUT=20\n";
        cfgtest::InstallRootBin(s.root);
        return s;
    }
    pid_t Start(const System& s, const char* path, const std::vector<std::string>& args) {
        static int serial = 0;
        const std::string log = s.dir + "/" + args[0] + std::to_string(++serial);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            s.Enter();
            const int out = ::open((log + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open((log + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execv(path, argv.data());
            ::_exit(127);
        }
        logs_[pid] = log;
        started_.push_back(pid);
        return pid;
    }
    std::string Out(pid_t pid) { return cfgtest::ReadFile(logs_[pid] + ".out"); }
    std::string Err(pid_t pid) { return cfgtest::ReadFile(logs_[pid] + ".err"); }
    static bool Eventually(const std::function<bool()>& cond, int ms = 60000) {
        return qdbfixture::Eventually(cond, ms);
    }
    // Waits (at most 60 s) until the program's output holds text `count`
    // times.
    bool WaitForLine(pid_t pid, const std::string& text, int count = 1) {
        return Eventually([&] { return cfgtest::Count(Out(pid), text) >= count; });
    }
    // SIGTERM and the exit code (-1: no normal exit).
    int Stop(pid_t pid) {
        const auto at = std::find(started_.begin(), started_.end(), pid);
        if (at == started_.end()) return -1;
        started_.erase(at);
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The exit code of a program that ends by itself within 20 s, else -1.
    int Ended(pid_t pid) {
        int status = 0;
        if (!Eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20000)) return -1;
        started_.erase(std::find(started_.begin(), started_.end(), pid));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs body as a database client of system s in a child; its note comes
    // back.
    static std::string ClientOf(const System& s, const std::function<std::string()>& body) {
        return ClientNote([&s] { s.Enter(); }, body);
    }
    std::string ClientOfA(const std::function<std::string()>& body) { return ClientOf(a_, body); }
    std::string ClientOfB(const std::function<std::string()>& body) { return ClientOf(b_, body); }
    static std::string Result(int rc) { return ResultAndErrno(rc); }

    hvtest::TempSystemDir dirA_, dirB_;
    System a_, b_;
    std::map<std::string, pid_t> daemons_, managers_;
    pid_t relay_ = -1;
    std::vector<pid_t> started_;
    std::map<pid_t, std::string> logs_;
};

}  // namespace qdbfixture
