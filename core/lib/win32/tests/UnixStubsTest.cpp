#include "UnixStubs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Handler(int) {}

TEST(UnixStubs, DoNothingAndReportSuccess) {
    pid_t self = ::getpid();
    EXPECT_EQ(portlib::fork(), 0);
    EXPECT_EQ(::getpid(), self);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // no child was made
    EXPECT_EQ(errno, ECHILD);

    EXPECT_EQ(portlib::signal(SIGUSR1, Handler), &Handler);
    EXPECT_EQ(portlib::sigset(SIGUSR2, Handler), &Handler);
    struct sigaction sa {};
    ASSERT_EQ(::sigaction(SIGUSR1, nullptr, &sa), 0);
    EXPECT_EQ(sa.sa_handler, SIG_DFL);  // the process's real disposition is untouched

    const int zeros[] = {
        portlib::fchmod(0, 0777),     portlib::sigprocmask(0, nullptr, nullptr),
        portlib::sigrelse(SIGINT),    portlib::sigsend(0, 1, SIGTERM),
        portlib::getpgid(self),       portlib::setsid(),
        portlib::getuid(),            portlib::waitpid(-1, nullptr, 0),
        portlib::wait(nullptr),       portlib::fcntl(0, F_SETFL, 0),
        portlib::fchown(0, 1, 1),
    };
    for (int z : zeros) EXPECT_EQ(z, 0);
    EXPECT_EQ(portlib::sbrk(4096), nullptr);
    EXPECT_EQ(portlib::getgrgid(0), nullptr);
    EXPECT_EQ(portlib::getgrnam("root"), nullptr);
    EXPECT_EQ(portlib::getpwuid(0), nullptr);
    EXPECT_EQ(portlib::getpwnam("root"), nullptr);
}

}  // namespace
