// The service's detached starts: input on /dev/null, output where asked, a
// session of its own, an empty signal mask and default dispositions, only
// descriptors 0-2, and every failed start told by its errno.
#include "DetachedProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct DetachedStart : ::testing::Test {
    void SetUp() override {
        char tmpl[] = "/tmp/hvdetachXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(DetachedStart, TheChildStartsCleanInItsOwnSession) {
    const std::string out = dir + "/out.txt";
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    ::sigprocmask(SIG_BLOCK, &block, &old);
    hvsvc::DetachedSpec spec;
    // The masks are read with builtins only: a shell blocks every signal
    // while it forks, so a child reading its status could catch that moment.
    spec.argv = {"/bin/sh", "-c",
                 "while read -r l; do case $l in SigBlk*|SigIgn*) echo \"$l\";; esac; done < /proc/$$/status; "
                 "ls /proc/$$/fd; readlink /proc/$$/fd/0; "
                 "ps -o sid= -p $$ | tr -d ' '; echo $$; echo \"$HV_DETACH_TEST\"; pwd; exit 5"};
    spec.workDir = dir;
    spec.env = {{"HV_DETACH_TEST", "given"}};
    spec.outputFd = fd;
    pid_t pid = -1;
    const int err = hvsvc::DetachedProcess::StartChild(spec, &pid);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    ::close(fd);
    ASSERT_EQ(err, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 5);
    std::istringstream lines(ReadFile(out));
    std::string l[10];
    for (std::string& s : l) std::getline(lines, s);
    EXPECT_EQ(l[0], "SigBlk:\t0000000000000000");
    ASSERT_EQ(l[1].rfind("SigIgn:\t", 0), 0u);
    EXPECT_EQ(std::stoull(l[1].substr(8), nullptr, 16) & ~0x180000000ULL, 0u) << l[1];  // libc's own 32, 33 aside
    EXPECT_EQ(l[2] + l[3] + l[4], "012");
    EXPECT_EQ(l[5], "/dev/null");
    EXPECT_EQ(l[6], std::to_string(pid));  // the session's leader
    EXPECT_EQ(l[7], std::to_string(pid));
    EXPECT_EQ(l[8], "given");
    EXPECT_EQ(l[9], std::filesystem::canonical(dir).string());
}

TEST_F(DetachedStart, FailedStartsGiveTheirErrno) {
    const struct {
        const char* what;
        std::vector<std::string> argv;
        std::string workDir;
        int err;
    } cases[] = {
        {"missing program", {dir + "/no-such-program"}, "", ENOENT},
        {"missing directory", {"/bin/true"}, dir + "/no-such-directory", ENOENT},
        {"no program at all", {}, "", EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hvsvc::DetachedSpec spec;
        spec.argv = c.argv;
        spec.workDir = c.workDir;
        pid_t pid = -1;
        EXPECT_EQ(hvsvc::DetachedProcess::Start(spec, &pid), c.err);
        EXPECT_EQ(hvsvc::DetachedProcess::StartChild(spec, &pid), c.err);
    }
    // A detached program is nobody's child here.
    hvsvc::DetachedSpec ok;
    ok.argv = {"/bin/true"};
    pid_t pid = -1;
    ASSERT_EQ(hvsvc::DetachedProcess::Start(ok, &pid), 0);
    EXPECT_GT(pid, 0);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
