// The one way programs are started: the child's signal mask, dispositions,
// descriptors, directory, session and how a failed start is told, for a
// child of the caller and for a detached program alike.
#include "platform/ProgramSpawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using portlib::platform::SpawnSpec;
using portlib::platform::StdRedirect;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What the started shell reports about itself, ending with "end". The masks
// are read with builtins only: a shell blocks every signal while it forks, so
// a child reading the shell's status could catch that moment.
const char* const kProbe =
    "while read -r l; do case $l in SigBlk*|SigIgn*) echo \"$l\";; esac; done < /proc/$$/status; ls /proc/$$/fd; "
    "readlink /proc/$$/fd/0; pwd; ps -o sid= -p $$ | tr -d ' '; echo $$; echo end";

class Spawn : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/hvspawnXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    SpawnSpec Probe(const std::string& out) const {
        SpawnSpec s;
        s.program = "/bin/sh";
        s.argv = {"sh", "-c", kProbe};
        s.env = portlib::platform::ChangedEnvironment({{"HV_SPAWN_TEST", "1"}});
        StdRedirect r{StdRedirect::kOpen, 1};
        r.path = out;
        r.flags = O_WRONLY | O_CREAT | O_TRUNC;
        s.redirects.push_back(r);
        return s;
    }
    // Starts the program described: 0 or the errno; a child is
    // reaped here, a detached program's report waited for (with a deadline).
    int Start(const SpawnSpec& spec, const std::string& out, int* exitCode = nullptr) {
        pid_t pid = -1;
        if (!GetParam()) {
            const int err = portlib::platform::SpawnChild(spec, &pid);
            if (err != 0) return err;
            int status = 0;
            EXPECT_EQ(::waitpid(pid, &status, 0), pid);
            if (exitCode != nullptr) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return 0;
        }
        const int err = portlib::platform::SpawnDetached(spec, &pid);
        if (err != 0) return err;
        EXPECT_GT(pid, 0);
        // Not ours: waitpid finds no such child.
        EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ReadFile(out).find("end\n") == std::string::npos && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    }
    std::string dir_;
};

TEST_P(Spawn, MaskDispositionsDescriptorsDirectoryAndSession) {
    // A caller with a blocked and an ignored signal, a descriptor open
    // without close-on-exec, and its standard input closed.
    const std::string out = dir_ + "/probe.txt";
    const pid_t tester = ::fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &block, nullptr);
        ::signal(SIGINT, SIG_IGN);
        ::dup2(::open("/dev/null", O_RDONLY), 40);
        ::close(0);
        SpawnSpec spec = Probe(out);
        spec.workDir = dir_;
        spec.newSession = true;
        pid_t pid = -1;
        const int err = GetParam() ? portlib::platform::SpawnDetached(spec, &pid)
                                   : portlib::platform::SpawnChild(spec, &pid);
        if (err == 0 && !GetParam()) ::waitpid(pid, nullptr, 0);
        ::_exit(err);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(tester, &status, 0), tester);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(out).find("end\n") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::istringstream lines(ReadFile(out));
    std::string blk, ign, fd0, fd1, fd2, in, cwd, sid, pid;
    std::getline(lines, blk);
    std::getline(lines, ign);
    std::getline(lines, fd0);
    std::getline(lines, fd1);
    std::getline(lines, fd2);
    std::getline(lines, in);
    std::getline(lines, cwd);
    std::getline(lines, sid);
    std::getline(lines, pid);
    EXPECT_EQ(blk, "SigBlk:\t0000000000000000");
    // Every signal at its default action, but for the C library's own two
    // real-time signals (32 and 33), which no program may use.
    ASSERT_EQ(ign.rfind("SigIgn:\t", 0), 0u) << ign;
    EXPECT_EQ(std::stoull(ign.substr(8), nullptr, 16) & ~0x180000000ULL, 0u) << ign;
    EXPECT_EQ(fd0 + fd1 + fd2, "012");
    EXPECT_EQ(in, "/dev/null");
    EXPECT_EQ(cwd, std::filesystem::canonical(dir_).string());
    EXPECT_EQ(sid, pid);  // a session of its own
}

TEST_P(Spawn, FailedStartsAndExitCodes) {
    const std::string out = dir_ + "/out.txt";
    SpawnSpec missing = Probe(out);
    missing.program = dir_ + "/no-such-program";
    EXPECT_EQ(Start(missing, out), ENOENT);

    std::ofstream(dir_ + "/not-executable") << "#!/bin/sh\n";
    SpawnSpec notExec = Probe(out);
    notExec.program = dir_ + "/not-executable";
    EXPECT_EQ(Start(notExec, out), EACCES);

    SpawnSpec noDir = Probe(out);
    noDir.workDir = dir_ + "/no-such-directory";
    EXPECT_EQ(Start(noDir, out), ENOENT);

    SpawnSpec empty;
    EXPECT_EQ(Start(empty, out), EINVAL);

    SpawnSpec badTarget = Probe(out);
    badTarget.redirects.push_back({StdRedirect::kNull, 3});
    EXPECT_EQ(Start(badTarget, out), EINVAL);

    if (!GetParam()) {
        for (int code : {0, 3, 127}) {
            SpawnSpec exits = Probe(out);
            exits.argv = {"sh", "-c", "exit " + std::to_string(code)};
            int got = -1;
            EXPECT_EQ(Start(exits, out, &got), 0);
            EXPECT_EQ(got, code);
        }
    }
}

TEST_P(Spawn, RedirectionsInOrderAndTheEnvironment) {
    const std::string out = dir_ + "/out.txt", log = dir_ + "/log.txt";
    std::ofstream(log) << "kept\n";
    SpawnSpec spec;
    spec.program = "/bin/sh";
    spec.argv = {"sh", "-c", "echo \"$HV_SPAWN_TEST${HOME+home}\"; echo err >&2; echo end"};
    spec.env = portlib::platform::ChangedEnvironment({{"HV_SPAWN_TEST", "set"}, {"HOME", nullptr}});
    StdRedirect app{StdRedirect::kOpen, 1};
    app.path = log;
    app.flags = O_RDWR | O_CREAT;
    app.toEnd = true;
    StdRedirect dup{StdRedirect::kDup, 2};
    dup.source = 1;
    spec.redirects = {app, dup};
    EXPECT_EQ(Start(spec, log), 0);
    EXPECT_EQ(ReadFile(log), "kept\nset\nerr\nend\n");
}

INSTANTIATE_TEST_SUITE_P(ChildAndDetached, Spawn, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Detached" : "Child"; });

}  // namespace
