// One system with a database on this machine: a fresh system directory, a
// root with the outside programs under bin/, the stand-in daemon (qdb) and
// the manager's host program with a database (mxrcfgstore), both named
// NODE1. Clients run in children (the start-up is once per process).
#pragma once

#include "QdbDaemonFixture.h"
#include "RootBin.h"

#include <functional>
#include <string>
#include <vector>

namespace qdbfixture {

class OneSystemTest : public QdbDaemonTest {
protected:
    void SetUp() override {
        QdbDaemonTest::SetUp();
        cfgtest::InstallRootBin(root_);
        ::setenv("MXRHOSTNAME", "NODE1", 1);
        BeforeDaemon();
        daemon_ = StartDaemon();
        manager_ = StartProgram(HV_MXRCFGSTORE_BIN, "mxrcfgstore");
        ASSERT_TRUE(WaitForLine(daemon_, "qdb: serving")) << Err(daemon_) << Out(daemon_) << Err(manager_);
        // The fresh database's start-up pass is over before a test changes states.
        ASSERT_TRUE(WaitForLine(daemon_, "qdb: start-up states given")) << Err(daemon_) << Out(daemon_);
    }
    void TearDown() override {
        QdbDaemonTest::TearDown();
        ::unsetenv("MXRHOSTNAME");
    }
    // Runs before the daemon starts (table files to load, for example).
    virtual void BeforeDaemon() {}
    // Writes a file below the root directory.
    void RootFile(const std::string& rel, const std::string& text) {
        const std::string path = root_ + "/" + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    // Runs body as a database client in a child; its note comes back.
    std::string Client(const std::function<std::string()>& body) {
        cfgtest::ChildResult r = cfgtest::RunChild([&] {
            StartClient();
            cfgtest::Note(body());
            return 0;
        });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.note;
    }
    // "rc/code" of a call, clearing the error record.
    static std::string Result(int rc) {
        std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno);
        qdberrclr();
        return s;
    }
    pid_t StartProgram(const char* path, const char* name) { return StartProgram(path, std::vector<const char*>{name}); }
    // args[0] is the program's name; stopped at the end like the daemons.
    pid_t StartProgram(const char* path, std::vector<const char*> args) {
        static int serial = 0;
        const std::string log = sys_.Path() + "/" + args[0] + std::to_string(++serial);
        args.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            int out = ::open((log + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = ::open((log + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execv(path, const_cast<char**>(args.data()));
            ::_exit(127);
        }
        logs_[pid] = log;
        daemons_.push_back(pid);
        return pid;
    }
    std::string Out(pid_t pid) { return cfgtest::ReadFile(logs_[pid] + ".out"); }
    // The manager's log below the root, where event commands write.
    std::string MxrLog() { return cfgtest::ReadFile(root_ + "/out/MXR"); }
    // Waits (at most 20 s) until that log holds text.
    bool WaitForMxrLog(const std::string& text) {
        return Eventually([&] { return MxrLog().find(text) != std::string::npos; }, 20000);
    }
    // Waits (at most 20 s) until the program's output holds text.
    bool WaitForLine(pid_t pid, const std::string& text) {
        return Eventually([&] { return Out(pid).find(text) != std::string::npos; }, 20000);
    }
    pid_t daemon_ = -1;
    pid_t manager_ = -1;
};

}  // namespace qdbfixture
