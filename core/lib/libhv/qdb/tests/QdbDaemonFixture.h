// A system with the stand-in database daemon: a fresh system directory, a
// root with a tunables file, the node name NODE1; daemons started here are
// stopped at the end. Clients are children (the start-up is once per process).
#pragma once

#include "ChildReport.h"
#include "QdbShmLayout.h"
#include "QdbStartup.h"
#include "platform/OwnerEvent.h"
#include "platform/SharedSegment.h"
#include "qdberr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qdbfixture {

using portlib::platform::OwnerEvent;
using portlib::platform::SharedSegment;

// Waits (at most ms, 60 s by default: a daemon starting on a loaded
// machine) until cond holds, looking every 10 ms.
inline bool Eventually(const std::function<bool()>& cond, int ms = 60000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ::usleep(10000);
    }
}

class QdbDaemonTest : public hvtest::SystemDirTest {
protected:
    void SetUp() override {
        root_ = sys_.Path() + "/root";
        std::filesystem::create_directories(root_ + "/etc");
        Tunables("INITTIMEOUT=20\n");
        ::setenv("TEST_ROOT", root_.c_str(), 1);
        ::setenv("TEST_UNAME", "NODE1", 1);
    }
    void TearDown() override {
        // Stop takes each one off the list.
        while (!daemons_.empty()) Stop(daemons_.front());
        ::unsetenv("TEST_ROOT");
        ::unsetenv("TEST_UNAME");
    }
    void Tunables(const std::string& text) { std::ofstream(root_ + "/etc/Holdervane") << text; }

    // Starts the stand-in daemon with its streams in files; does not wait.
    pid_t StartDaemon() {
        static int serial = 0;
        std::string log = sys_.Path() + "/qdb" + std::to_string(++serial);
        pid_t pid = ::fork();
        if (pid == 0) {
            int out = ::open((log + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = ::open((log + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execl(HV_QDB_BIN, "qdb", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        logs_[pid] = log;
        daemons_.push_back(pid);
        return pid;
    }
    // Waits for the database to be available and plays the manager.
    bool Available(bool playManager = true) {
        // The daemon may not have made its event yet.
        int rc = ENOENT;
        Eventually(
            [&] {
                rc = OwnerEvent::WaitSignalled("HVNTQDB", 20000);
                return rc != ENOENT;
            },
            20000);
        if (rc != 0) return false;
        return !playManager || SetManagerAvailable();
    }
    // Sets the manager-available word, as the manager's host program will.
    static bool SetManagerAvailable() {
        SharedSegment seg;
        if (seg.Attach("HVNT-shm") != 0) return false;
        reinterpret_cast<qdbshm::SegHeader*>(seg.Base())->shgp.mgrAvailable = 1;
        return true;
    }
    // Exit code of a daemon that ends by itself (-1: killed or still running after 20 s).
    int Ended(pid_t pid) {
        int status = 0;
        if (!Eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20000)) return -1;
        daemons_.erase(std::find(daemons_.begin(), daemons_.end(), pid));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Stop(pid_t pid, int sig = SIGTERM) {
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        daemons_.erase(std::remove(daemons_.begin(), daemons_.end(), pid), daemons_.end());
    }
    std::string Err(pid_t pid) { return cfgtest::ReadFile(logs_[pid] + ".err"); }

    std::string root_;
    std::vector<pid_t> daemons_;
    std::map<pid_t, std::string> logs_;
};

inline int StartClient() {
    set_errinfo("client", "test", 0, nullptr);
    setAppId(0);
    qdbinit();
    return 0;
}

// A call's result and the error number it left, as "rc/errno"; the error is
// cleared for the next call.
inline std::string ResultAndErrno(int rc) {
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno);
    qdberrclr();
    return s;
}

// Runs body as a database client in a child (after enter, when given, has
// set the child's system); the note it returns comes back.
inline std::string ClientNote(const std::function<void()>& enter, const std::function<std::string()>& body) {
    cfgtest::ChildResult r = cfgtest::RunChild([&] {
        if (enter) enter();
        StartClient();
        cfgtest::Note(body());
        return 0;
    });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.note;
}


}  // namespace qdbfixture
