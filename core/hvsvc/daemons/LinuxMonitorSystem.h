// The monitor's system layer on Linux: wall-clock seconds, find_pid_by_name
// over /proc, pidfds as process handles (alive while not readable), SIGKILL
// through the pidfd, and children started by fork and exec in a session of
// their own. Every child started here is reaped by its own pid.
#pragma once

#include "MonitorSystem.h"

#include <set>
#include <sys/types.h>

namespace hvsvc {

class LinuxMonitorSystem : public MonitorSystem {
public:
    static constexpr int kKillWaitMs = 2000;

    LinuxMonitorSystem() = default;
    ~LinuxMonitorSystem() override;

    std::int64_t Now() override;
    void Sleep(int seconds) override;
    int FindPid(const char* command) override;
    int Open(int pid, const char* command, int* error) override;
    int Start(const std::vector<std::string>& argv, const ProcessLog& log, int* pid, int* handle) override;
    int Run(const std::vector<std::string>& argv) override;
    bool Alive(int handle) override;
    int Kill(int handle) override;
    void Close(int handle) override;
    void Reap() override;

    // Descriptors 0 to 2 open (on /dev/null when closed), so that a pidfd is
    // never 0 or 1, which the table reads as "no handle".
    static void KeepStandardDescriptors();

private:
    void ReapPid(pid_t pid);
    std::set<pid_t> children_;  // started here, not yet reaped
};

}  // namespace hvsvc
