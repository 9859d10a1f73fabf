// A child process that runs `setup`, tells the parent it is ready, and then
// waits to be killed (or exits with setup's non-zero result at once). For
// tests of what a process leaves behind when it dies holding something.
#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvtest {

// Returns the child's pid once it is ready, or -1 when setup failed (the
// child is reaped then).
template <typename Setup>
pid_t StartReadyChild(Setup setup) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        int rc = setup();
        if (rc != 0) ::_exit(rc);
        char c = 'r';
        (void)!::write(ready[1], &c, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    ssize_t n = pid > 0 ? ::read(ready[0], &c, 1) : -1;
    ::close(ready[0]);
    if (n != 1) {
        if (pid > 0) ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

inline void KillAndReap(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

}  // namespace hvtest
