// One system with a database for a benchmark run, on a fresh system
// directory: the root <sys>/root (the caller adds its files before Start),
// the stand-in daemon and the manager's host program of this build under
// node name `node`, this process a client of it. Both programs are stopped
// at the end.
#pragma once

#include "BenchSystemDir.h"
#include "QdbStartup.h"
#include "qdberr.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class BenchDatabase {
public:
    BenchDatabase() : sys_(std::getenv("HV_SYSTEM_DIR")), root_(sys_ + "/root") {
        std::filesystem::create_directories(root_ + "/etc");
    }
    ~BenchDatabase() {
        for (pid_t pid : {daemon_, manager_})
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
    }
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    const std::string& Root() const { return root_; }

    // Starts both programs, waits until the daemon serves and runs the
    // database start-up here as a client named `label`. False (reported)
    // when the daemon does not come up.
    bool Start(const char* node, const char* label, const std::string& tunables = "INITTIMEOUT=30\n") {
        std::ofstream(root_ + "/etc/Holdervane") << tunables;
        ::setenv("TEST_ROOT", root_.c_str(), 1);
        ::setenv("TEST_UNAME", node, 1);
        ::setenv("MXRHOSTNAME", node, 1);
        daemon_ = Run(HV_QDB_BIN, sys_ + "/qdb.log");
        manager_ = Run(HV_MXRCFGSTORE_BIN, sys_ + "/mxr.log");
        if (!WaitFor(sys_ + "/qdb.log", "qdb: serving")) {
            std::fprintf(stderr, "the stand-in daemon did not start\n");
            return false;
        }
        set_errinfo(label, "bench", 0, nullptr);
        qdbinit();
        return true;
    }

private:
    static pid_t Run(const char* path, const std::string& log) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl(path, path, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    static bool WaitFor(const std::string& log, const char* text) {
        for (int i = 0; i < 3000; ++i) {
            std::ifstream in(log);
            std::stringstream s;
            s << in.rdbuf();
            if (s.str().find(text) != std::string::npos) return true;
            ::usleep(10000);
        }
        return false;
    }

    std::string sys_;
    std::string root_;
    pid_t daemon_ = -1;
    pid_t manager_ = -1;
};
