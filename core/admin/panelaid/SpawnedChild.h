// A program started with posix_spawn and waited for through a pidfd, its
// standard output optionally collected as lines. Standard input is
// /dev/null; standard error is the caller's when that is open, else
// /dev/null (or always /dev/null with quiet). The child gets the caller's
// environment with the extra variables set over it. A child given a time
// limit runs in a process group of its own, and that group is killed when
// the limit passes before the child has ended.
#pragma once

#include "OutputLines.h"
#include "WaitPump.h"

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace panelaid {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct SpawnSpec {
    std::vector<std::string> argv;  // argv[0] is the program's path
    Environment extraEnv;
    bool captureOutput = false;     // else standard output is /dev/null
    bool quiet = false;             // standard error /dev/null as well
    unsigned timeLimitMs = 0;       // 0: no limit
};

class SpawnedChild : public WaitSubject {
public:
    SpawnedChild() = default;
    ~SpawnedChild() override;
    SpawnedChild(const SpawnedChild&) = delete;
    SpawnedChild& operator=(const SpawnedChild&) = delete;

    // 0, or the errno of the start (the exec's failure included). output
    // (when captured) receives the lines.
    int Start(const SpawnSpec& spec, OutputLines* output);

    std::vector<int> WatchedFds() const override;
    void OnReadable(int fd) override;
    bool Done() const override;

    // After Done: the wait status.
    int WaitStatus() const { return status_; }
    pid_t Pid() const { return pid_; }
    // True when the time limit passed and the child's group was killed.
    bool TimedOut() const { return timedOut_; }

    // 0 for exit code 0; the exit code; 128 + the signal for a killed child;
    // -1 when it never ran.
    static int ResultOf(int waitStatus);

private:
    void Drain(bool toEnd);
    void Reap();
    void CloseTimer();

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int outFd_ = -1;
    int timerFd_ = -1;
    bool timedOut_ = false;
    bool exited_ = false;
    int status_ = -1;
    OutputLines* output_ = nullptr;
};

}  // namespace panelaid
