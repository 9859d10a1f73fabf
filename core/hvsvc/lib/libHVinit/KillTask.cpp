// Killing a listed process through a pidfd, so that a pid taken over by
// another process in the meantime is never hit.
#include "ProcessList.h"

#include <csignal>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

int kill_task(const TaskListEntry* entry, int /*force*/) {
    if (entry == nullptr || entry->pid == 0) return 0;
    const int pid = static_cast<int>(entry->pid);
    // The pidfd first: from here on the check and the kill are about one process.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) return 0;
    TaskListEntry now;
    const bool same = hvinit::ReadTask(pid, &now, hvinit::TaskDetail::Identity) && now.createTime == entry->createTime &&
                      std::strncmp(now.imageName, entry->imageName, sizeof now.imageName) == 0;
    const bool sent = same && ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
    ::close(pidfd);
    return sent ? 1 : 0;
}
