// The cluster service in console mode inside a PID namespace of its own,
// with its own /proc, so that what it and the tools find by name is only
// what runs there. The namespace's init starts the service once and waits;
// killing the init ends everything inside. Tools and other programs are run
// inside with RunTool's and Holder's nsInit.
#pragma once

#include "ToolRun.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvtoolstest {

class NamespaceService {
public:
    // Starts the init; 0, or the errno of the clone (EPERM, EINVAL: no
    // namespaces here).
    int Start(const std::string& serviceBin, const std::string& outputFile) {
        init_ = static_cast<pid_t>(
            ::syscall(SYS_clone, SIGCHLD | CLONE_NEWPID | CLONE_NEWNS, nullptr, nullptr, nullptr, nullptr));
        if (init_ < 0) return errno;
        if (init_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("proc", "/proc", "proc", 0, nullptr) != 0)
                ::_exit(3);
            const pid_t service = ::fork();
            if (service == 0) {
                const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
                ::dup2(fd, 1);
                ::dup2(fd, 2);
                ExecIn(0, {serviceBin, "console"});
            }
            // Reap whatever ends in here until killed.
            for (;;)
                if (::wait(nullptr) < 0 && errno == ECHILD) ::pause();
        }
        return 0;
    }
    ~NamespaceService() {
        if (init_ > 0) {
            ::kill(init_, SIGKILL);
            ::waitpid(init_, nullptr, 0);
        }
    }

    pid_t Init() const { return init_; }
    ToolResult Run(const std::string& tool, const std::vector<std::string>& args = {}) const {
        std::vector<std::string> argv{ToolPath(tool)};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunArgv(argv, 30000, init_);
    }

private:
    pid_t init_ = -1;
};

}  // namespace hvtoolstest
