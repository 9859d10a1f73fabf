// What the HV-init monitor needs of the system, behind one seam so that its
// logic runs in tests on a test clock and a fake process layer: the time,
// processes found by name, started, watched and killed. A process handle is
// a number above 1 (a pidfd in the real layer); 0 means none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvsvc {

struct ProcessLog {
    std::string path;     // "" no log: the output goes to /dev/null
    bool append = false;  // false: truncated first
};

class MonitorSystem {
public:
    virtual ~MonitorSystem() = default;

    // Seconds since 1970: the times the table holds.
    virtual std::int64_t Now() = 0;
    virtual void Sleep(int seconds) = 0;

    // A running process of the command's program other than this one, -1 none.
    virtual int FindPid(const char* command) = 0;
    // A handle on pid; with a command, only when the pid still runs that
    // command's program. Above 1, or -1 with the Win32 error in *error.
    virtual int Open(int pid, const char* command, int* error) = 0;
    // Starts argv[0] with argv, its output to the log. 0 with the pid and a
    // handle, or the Win32 error.
    virtual int Start(const std::vector<std::string>& argv, const ProcessLog& log, int* pid, int* handle) = 0;
    // Starts a program that runs on its own, never waited for. 0 or the Win32 error.
    virtual int Run(const std::vector<std::string>& argv) = 0;
    // False once the process has ended (a child of ours is reaped then).
    virtual bool Alive(int handle) = 0;
    // Kills the process and waits a bounded time for its end. 0 or the Win32 error.
    virtual int Kill(int handle) = 0;
    virtual void Close(int handle) = 0;
    // Reaps every process started here that has ended.
    virtual void Reap() = 0;
    // Whether the named cluster instance is active, so that a process waiting
    // for it may start. Every instance counts as active here.
    virtual bool InstanceActive(const char* /*instance*/) { return true; }
};

}  // namespace hvsvc
