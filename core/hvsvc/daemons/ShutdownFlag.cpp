#include "ShutdownFlag.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvsvc {

namespace {

std::atomic<FlagTestFunction> gTest{nullptr};

int FlagFromFile(const char* /*system*/, const char* flag, int /*mode*/) {
    if (flag == nullptr || *flag == '\0') return -1;
    const char* file = std::getenv(kFlagsFileVariable);
    if (file == nullptr || *file == '\0') return 1;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line == flag) return 0;
    return 1;
}

}  // namespace

int ShutdownFlagTest(const char* system, const char* flag, int mode) {
    const FlagTestFunction test = gTest.load();
    return test != nullptr ? test(system, flag, mode) : FlagFromFile(system, flag, mode);
}

void SetShutdownFlagTest(FlagTestFunction test) { gTest.store(test); }

bool AskFlagInChild(const char* flag, int timeoutMs) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) ::_exit(ShutdownFlagTest(nullptr, flag, 0) == 0 ? 0 : 1);
    const long pidfd = ::syscall(SYS_pidfd_open, child, 0);
    bool answered = pidfd < 0;  // without a pidfd the child is waited for
    if (pidfd >= 0) {
        pollfd p = {static_cast<int>(pidfd), POLLIN, 0};
        int n;
        do {
            n = ::poll(&p, 1, timeoutMs);
        } while (n < 0 && errno == EINTR);
        answered = n > 0;
        if (!answered) ::syscall(SYS_pidfd_send_signal, static_cast<int>(pidfd), SIGKILL, nullptr, 0);
        ::close(static_cast<int>(pidfd));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return answered && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace hvsvc
