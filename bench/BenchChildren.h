// Children that only wait, for benchmarks that need many live processes:
// killed with the benchmark (parent-death signal) and reaped at the end.
#pragma once

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class BenchSleepers {
public:
    explicit BenchSleepers(int count) {
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
    ~BenchSleepers() {
        for (pid_t pid : pids_) ::kill(pid, SIGKILL);
        for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
    }
    BenchSleepers(const BenchSleepers&) = delete;
    BenchSleepers& operator=(const BenchSleepers&) = delete;

    const std::vector<pid_t>& Pids() const { return pids_; }

private:
    std::vector<pid_t> pids_;
};
