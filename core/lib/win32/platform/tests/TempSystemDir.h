// A fresh system directory for one test: a short path under /tmp (socket
// paths hold at most 107 bytes), set as HV_SYSTEM_DIR for the test's life and
// removed afterwards. Shared by the portlib and platform suites.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hvtest {

class TempSystemDir {
public:
    TempSystemDir() {
        char tmpl[] = "/tmp/hvXXXXXX";
        // Without it the test would run on the machine's own system directory.
        if (::mkdtemp(tmpl) == nullptr) std::abort();
        path_ = tmpl;
        const char* old = std::getenv("HV_SYSTEM_DIR");
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        ::setenv("HV_SYSTEM_DIR", path_.c_str(), 1);
    }
    ~TempSystemDir() {
        if (hadOld_) ::setenv("HV_SYSTEM_DIR", old_.c_str(), 1); else ::unsetenv("HV_SYSTEM_DIR");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempSystemDir(const TempSystemDir&) = delete;
    TempSystemDir& operator=(const TempSystemDir&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string old_;
    bool hadOld_ = false;
};

// "<prefix><a><sep><b>", e.g. "w3_17": a value name unique per writer and step.
inline std::string StepName(const char* prefix, int a, const char* sep, int b) {
    std::string name(prefix);
    name += std::to_string(a);
    name += sep;
    name += std::to_string(b);
    return name;
}

// Fixture form.
class SystemDirTest : public ::testing::Test {
protected:
    TempSystemDir sys_;
};

// Runs `body` in `n` child processes that start together (each waits on a
// pipe that the parent closes once all are forked), and returns how many
// exited with status 0. Children leave with _exit, never return into gtest.
template <typename Body>
int RunTogether(int n, Body body) {
    int gate[2];
    if (::pipe(gate) != 0) return -1;
    std::vector<pid_t> kids;
    for (int i = 0; i < n; ++i) {
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char c;
            while (::read(gate[0], &c, 1) < 0) {
            }
            ::_exit(body(i));
        }
        if (pid > 0) kids.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);  // releases every child at once
    int ok = 0;
    for (pid_t pid : kids) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++ok;
    }
    return ok;
}

}  // namespace hvtest
