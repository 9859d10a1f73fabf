// Processes that only wait, all with the benchmark's own image, to give a
// process list its size; killed and reaped at the end.
#pragma once

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class SleeperProcesses {
public:
    explicit SleeperProcesses(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the benchmark
                if (::getppid() == 1) ::_exit(0);
                for (;;) ::pause();
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~SleeperProcesses() {
        for (pid_t pid : pids_) ::kill(pid, SIGKILL);
        for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
    }
    SleeperProcesses(const SleeperProcesses&) = delete;
    SleeperProcesses& operator=(const SleeperProcesses&) = delete;

private:
    std::vector<pid_t> pids_;
};
