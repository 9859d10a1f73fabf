#include "UnixSystem.h"
#include "platform/ComputerName.h"
#include "platform/RegistryStore.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using portlib::platform::ComputerName;

class UnameTest : public hvtest::SystemDirTest {};

TEST_F(UnameTest, NodeNameFollowsTheComputerNameRule) {
    portlib::utsname u;
    std::memset(&u, 'x', sizeof u);
    ASSERT_EQ(portlib::uname(&u), 0);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(std::string(u.nodename), ComputerName::FromHostName(host));
    ASSERT_EQ(ComputerName::Set("SYSB"), 0);
    ASSERT_EQ(portlib::uname(&u), 0);
    EXPECT_STREQ(u.sysname, "SYSB");
    EXPECT_STREQ(u.nodename, "SYSB");
    EXPECT_STREQ(u.release, "3.5");
    EXPECT_STREQ(u.version, "Server");
    EXPECT_STREQ(u.machine, "Windows NT");
}

TEST_F(UnameTest, AnUnusableComputerNameFallsBackToTheHostName) {
    // Every process takes its address from here: a bad value must not stop it.
    ASSERT_EQ(ComputerName::Set("SIXTEEN_CHARS_XX"), 0);
    portlib::utsname u;
    std::memset(&u, 'x', sizeof u);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(portlib::uname(&u), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(std::string(u.nodename), ComputerName::FromHostName(host));
    EXPECT_EQ(portlib::uname(nullptr), -1);
}

TEST(Kill, AsksTheKernelWhetherAProcessExists) {
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    pid_t live = ::fork();
    ASSERT_GE(live, 0);
    if (live == 0) {
        ::close(gate[1]);
        char c;
        while (::read(gate[0], &c, 1) < 0) {
        }
        ::_exit(0);
    }
    ::close(gate[0]);
    pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);

    struct Case {
        const char* what;
        int pid;
        int sig;
        int rc;
        int err;
    };
    const Case cases[] = {
        {"this process", ::getpid(), 0, 0, 0},
        {"a live child no service holds", live, 0, 0, 0},
        {"init (maybe another user's)", 1, 0, 0, 0},
        {"a reaped child", gone, 0, -1, ESRCH},
        {"pid 0 is a group, not a process", 0, 0, -1, ESRCH},
        {"negative pid", -1, 0, -1, ESRCH},
        {"a real signal is refused", live, 9, -1, EINVAL},
        {"even to oneself", ::getpid(), 15, -1, EINVAL},
    };
    for (const auto& c : cases) {
        errno = 12345;
        EXPECT_EQ(portlib::kill(c.pid, c.sig), c.rc) << c.what;
        EXPECT_EQ(errno, c.err) << c.what;
    }
    // The refused signal was not sent.
    EXPECT_EQ(portlib::kill(live, 0), 0);
    ::close(gate[1]);
    ASSERT_EQ(::waitpid(live, nullptr, 0), live);
}

TEST(Sleep, ZeroAndNegativeReturnAtOnce) {
    EXPECT_EQ(portlib::sleep(0), 0);
    EXPECT_EQ(portlib::sleep(-5), 0);
}

}  // namespace
