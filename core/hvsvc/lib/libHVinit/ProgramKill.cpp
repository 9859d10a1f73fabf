#include "ProgramKill.h"

#include "ProcessList.h"
#include "libHVinit.h"

#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

int pid_runs_program(int pid, const char* command) {
    TaskListEntry task {};
    const bool same = hvinit::ReadTask(pid, &task, hvinit::TaskDetail::Name) &&
                      hvinit::ImageMatches(task, hvinit::ProgramPattern(command));
    return same ? 1 : 0;
}

int kill_program_pid(int pid, const char* command) {
    if (pid <= 1 || command == nullptr) return 0;
    const long pidfd = ::syscall(SYS_pidfd_open, pid, 0);
    if (pidfd < 0) return 0;
    // From the pidfd on, the check and the signal are about one process.
    const bool sent = pid_runs_program(pid, command) == 1 &&
                      ::syscall(SYS_pidfd_send_signal, static_cast<int>(pidfd), SIGKILL, nullptr, 0) == 0;
    ::close(static_cast<int>(pidfd));
    return sent ? 1 : 0;
}
