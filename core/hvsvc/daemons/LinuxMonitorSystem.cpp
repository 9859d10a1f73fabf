#include "LinuxMonitorSystem.h"

#include "DetachedProcess.h"
#include "ProcessList.h"
#include "ProgramKill.h"
#include "libHVinit.h"

#include "platform/ErrnoWin32.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hvsvc {

namespace {

int Win32(int err) { return portlib::platform::Win32FromErrno(err); }

// The pid a pidfd names, from its fdinfo; -1 when it is gone.
pid_t PidOf(int pidfd) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fdinfo/%d", pidfd);
    FILE* f = std::fopen(path, "re");
    if (f == nullptr) return -1;
    char line[128];
    pid_t pid = -1;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::sscanf(line, "Pid: %d", &pid) == 1) break;
    std::fclose(f);
    return pid;
}

}  // namespace

LinuxMonitorSystem::~LinuxMonitorSystem() { Reap(); }

void LinuxMonitorSystem::KeepStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

std::int64_t LinuxMonitorSystem::Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

void LinuxMonitorSystem::Sleep(int seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

int LinuxMonitorSystem::FindPid(const char* command) { return find_pid_by_name(command); }

int LinuxMonitorSystem::Open(int pid, const char* command, int* error) {
    *error = 0;
    if (pid <= 0) {
        *error = portlib::platform::HV_ERROR_INVALID_PARAMETER;
        return -1;
    }
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) {
        *error = Win32(errno);
        return -1;
    }
    if (command != nullptr) {
        // After the pidfd, the image check is about that one process; it
        // names processes as find_pid_by_name does.
        if (pid_runs_program(pid, command) != 1) {
            ::close(static_cast<int>(fd));
            *error = portlib::platform::HV_ERROR_INVALID_PARAMETER;
            return -1;
        }
    }
    return static_cast<int>(fd);
}

int LinuxMonitorSystem::Start(const std::vector<std::string>& argv, const ProcessLog& log, int* pid, int* handle) {
    DetachedSpec spec;
    spec.argv = argv;
    int logFd = -1;
    if (!log.path.empty()) {
        logFd = ::open(log.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (log.append ? O_APPEND : O_TRUNC), 0660);
        if (logFd < 0) std::printf("Unable to create log file %s - error %d\n", log.path.c_str(), Win32(errno));
    }
    spec.outputFd = logFd;
    pid_t child = -1;
    const int err = DetachedProcess::StartChild(spec, &child);
    if (logFd >= 0) ::close(logFd);
    if (err != 0) return Win32(err);
    children_.insert(child);
    // The pidfd right after the start: the child cannot have been reaped, so
    // the pid is still this child's even when it has ended already.
    const long fd = ::syscall(SYS_pidfd_open, child, 0);
    if (fd < 0) {
        const int e = Win32(errno);
        ::kill(child, SIGKILL);
        ReapPid(child);
        return e;
    }
    *pid = child;
    *handle = static_cast<int>(fd);
    return 0;
}

int LinuxMonitorSystem::Run(const std::vector<std::string>& argv) {
    DetachedSpec spec;
    spec.argv = argv;
    const int err = DetachedProcess::Start(spec);
    return err == 0 ? 0 : Win32(err);
}

bool LinuxMonitorSystem::Alive(int handle) {
    if (handle <= 1) return false;
    pollfd p = {handle, POLLIN, 0};
    const int n = ::poll(&p, 1, 0);
    if (n == 0) return true;
    ReapPid(PidOf(handle));
    return false;
}

int LinuxMonitorSystem::Kill(int handle) {
    if (handle <= 1) return 6;
    if (::syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0) != 0) return Win32(errno);
    // Wait for the end, so that a start right after this does not find the
    // dying process still running.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kKillWaitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        pollfd p = {handle, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::max<long>(0, left.count())));
        if (n > 0 || left.count() <= 0) break;
        if (n < 0 && errno != EINTR) break;
    }
    ReapPid(PidOf(handle));
    return 0;
}

void LinuxMonitorSystem::Close(int handle) {
    if (handle > 2) ::close(handle);
}

void LinuxMonitorSystem::ReapPid(pid_t pid) {
    if (pid <= 0 || children_.count(pid) == 0) return;
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) children_.erase(pid);
}

void LinuxMonitorSystem::Reap() {
    for (auto it = children_.begin(); it != children_.end();) {
        int status = 0;
        const pid_t r = ::waitpid(*it, &status, WNOHANG);
        if (r == *it || (r < 0 && errno == ECHILD)) it = children_.erase(it);
        else ++it;
    }
}

}  // namespace hvsvc
