#include "ShutdownFlag.h"

#include "QdbStartup.h"
#include "flg.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <poll.h>
#include <string>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hvsvc {

namespace {

std::atomic<FlagTestFunction> gTest{nullptr};

int FlagFromDatabase(const char* system, const char* flag, int mode) {
    if (flag == nullptr || *flag == '\0') return -1;
    qdbpinit();
    return flg_test(system, flag, mode);
}

}  // namespace

int ShutdownFlagTest(const char* system, const char* flag, int mode) {
    const FlagTestFunction test = gTest.load();
    return test != nullptr ? test(system, flag, mode) : FlagFromDatabase(system, flag, mode);
}

void SetShutdownFlagTest(FlagTestFunction test) { gTest.store(test); }

bool AskFlagInChild(const char* flag, int timeoutMs) {
    // The answer is a byte on a pipe, not the exit code: a question that ends
    // its process (as the database's start-up may) has not answered.
    int answer[2];
    if (::pipe2(answer, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(answer[0]);
        ::close(answer[1]);
        return false;
    }
    if (child == 0) {
        ::close(answer[0]);
        const char yes = ShutdownFlagTest(nullptr, flag, 0) == 0 ? 'y' : 'n';
        (void)!::write(answer[1], &yes, 1);
        ::_exit(0);
    }
    ::close(answer[1]);
    pollfd p = {answer[0], POLLIN, 0};
    int n;
    do {
        n = ::poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    char got = 0;
    const bool present = n > 0 && ::read(answer[0], &got, 1) == 1 && got == 'y';
    ::close(answer[0]);
    ::kill(child, SIGKILL);  // our own child, not yet reaped: the pid is still its
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return present;
}

}  // namespace hvsvc
