// The stand-in manager program (hvmanager) on a fresh system directory for
// the life of this object: started at construction, stopped with SIGTERM at
// destruction. HV_BENCH_MANAGER_WRAP, when set, is a command put in front of
// it (split at blanks), for instance "strace -c -f -o /tmp/mgr.strace".
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

class BenchManager {
public:
    explicit BenchManager(const char* binary) {
        char tmpl[] = "/tmp/hvpbXXXXXX";
        if (::mkdtemp(tmpl) == nullptr) std::abort();
        dir_ = tmpl;
        ::setenv("HV_SYSTEM_DIR", dir_.c_str(), 1);
        ::setenv("MXRHOSTNAME", "BENCH", 1);
        const std::string out = dir_ + "/hvmanager.out";
        std::vector<std::string> words;
        if (const char* wrap = std::getenv("HV_BENCH_MANAGER_WRAP")) {
            std::istringstream split(wrap);
            for (std::string w; split >> w;) words.push_back(w);
        }
        words.push_back(binary);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        for (int i = 0; i < 1000; ++i) {
            std::ifstream in(out);
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            if (s.find("listening") != std::string::npos) {
                // The program's own pid: the wrapper's child when wrapped.
                const auto at = s.find("(pid ");
                if (at != std::string::npos) managerPid_ = static_cast<pid_t>(std::atol(s.c_str() + at + 5));
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::fprintf(stderr, "hvmanager did not start\n");
        std::abort();
    }
    ~BenchManager() {
        ::kill(managerPid_ > 0 ? managerPid_ : pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    BenchManager(const BenchManager&) = delete;
    BenchManager& operator=(const BenchManager&) = delete;

    // The process that runs the manager's loop.
    pid_t Pid() const { return managerPid_ > 0 ? managerPid_ : pid_; }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    pid_t pid_ = -1;
    pid_t managerPid_ = -1;
};
