// One console per program and display: a second start asks the first to
// raise its window; a dead owner is replaced; junk and silence on the pipe
// cost the owner nothing.
#include "ConsoleInstance.h"
#include "DesktopLauncher.h"
#include "FakeConsoleDatabase.h"
#include "QtConsoleInstance.h"
#include "QtTestApp.h"
#include "TempSystemDir.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace panelaid {
namespace {

namespace pp = portlib::platform;

// Runs the event loop until done or the deadline.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int Connect(const std::string& program) {
    int fd = -1;
    const pp::PipeConnectOptions options{0, pp::PipeReadMode::Message, false};
    return pp::PipeConnect(ConsoleInstance::PipeName(program, ":9"), options, &fd) == 0 ? fd : -1;
}

class ConsoleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ::setenv("DISPLAY", ":9", 1);
    }
    void TearDown() override { ::unsetenv("DISPLAY"); }
    hvtest::TempSystemDir sys_;
};

TEST_F(ConsoleInstanceTest, ASecondStartRaisesTheFirstAndEnds) {
    QtConsoleInstance first;
    ASSERT_EQ(first.Claim("HIERMAN"), ConsoleInstance::Claim::Owner);
    QWidget window;
    first.SetWindow(&window);
    // The second start runs in a child, as a second program would.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ConsoleInstance second;
        const ConsoleInstance::Claim c = second.ClaimOrRaise("HIERMAN", ":9");
        ::_exit(c == ConsoleInstance::Claim::OtherRaised ? 0 : 1);
    }
    int status = -1;
    ASSERT_TRUE(PumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(first.RaisesServed(), 1);
    EXPECT_TRUE(window.isVisible());
    // Another program or display is a console of its own.
    ConsoleInstance other;
    EXPECT_EQ(other.ClaimOrRaise("HWMAN", ":9"), ConsoleInstance::Claim::Owner);
    ConsoleInstance elsewhere;
    EXPECT_EQ(elsewhere.ClaimOrRaise("HIERMAN", ":10"), ConsoleInstance::Claim::Owner);
}

TEST_F(ConsoleInstanceTest, ADeadOwnerIsReplaced) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ConsoleInstance owner;
        if (owner.ClaimOrRaise("APPSTAT", ":9") != ConsoleInstance::Claim::Owner) ::_exit(1);
        ::raise(SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ConsoleInstance next;
    EXPECT_EQ(next.ClaimOrRaise("APPSTAT", ":9"), ConsoleInstance::Claim::Owner);
}

TEST_F(ConsoleInstanceTest, JunkAndSilentPeersAreDroppedWhileARaiseIsStillServed) {
    QtConsoleInstance owner;
    ASSERT_EQ(owner.Claim("HWMAN"), ConsoleInstance::Claim::Owner);
    // Junk: a long message, then a hang-up without a word.
    const int junk = Connect("HWMAN");
    ASSERT_GE(junk, 0);
    const std::string garbage(4000, '\x7f');
    ::send(junk, garbage.data(), garbage.size(), MSG_NOSIGNAL);
    const int quiet = Connect("HWMAN");
    ASSERT_GE(quiet, 0);
    // Silent peers beyond the bound: the oldest go.
    std::vector<int> silent;
    for (int i = 0; i < ConsoleInstance::kMaxPeers + 4; ++i) silent.push_back(Connect("HWMAN"));
    pp::PipeClose(quiet);
    // The junk's sender is answered by a hang-up.
    ASSERT_TRUE(PumpUntil([&] {
        char c;
        return ::recv(junk, &c, 1, MSG_DONTWAIT) == 0;
    }));
    // A real request is still served at once.
    bool answered = false;
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(ConsoleInstance::AskToRaise("HWMAN", ":9") ? 0 : 1);
    int status = -1;
    ASSERT_TRUE(PumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
    answered = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    EXPECT_TRUE(answered);
    EXPECT_EQ(owner.RaisesServed(), 1);
    // Silent peers are hung up on after their time.
    ASSERT_TRUE(PumpUntil([&] {
        char c;
        return ::recv(silent.back(), &c, 1, MSG_DONTWAIT) == 0;
    }));
    pp::PipeClose(junk);
    for (int fd : silent) pp::PipeClose(fd);
}

TEST_F(ConsoleInstanceTest, ASiblingIsRaisedWhenItRunsElseStartedDetachedFromTheRootsBin) {
    const std::string root = sys_.Path() + "/root";
    std::filesystem::create_directories(root + "/bin");
    const std::string marker = sys_.Path() + "/appstat.started";
    std::ofstream(root + "/bin/appstat") << "#!/bin/sh\ntouch '" << marker << "'\n";
    std::filesystem::permissions(root + "/bin/appstat", std::filesystem::perms::owner_all);
    FakeConsoleDatabase db;
    db.SetRootDir(root);
    DesktopLauncher launcher(db);

    // Not running: started from <root>/bin.
    EXPECT_EQ(launcher.ShowSibling("APPSTAT", "appstat"), 0);
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(marker); }));
    std::filesystem::remove(marker);

    // Running: raised, not started. The ask waits for the owner's answer,
    // so it runs in a child while this loop serves.
    QtConsoleInstance owner;
    ASSERT_EQ(owner.Claim("APPSTAT"), ConsoleInstance::Claim::Owner);
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(launcher.ShowSibling("APPSTAT", "appstat") == 0 ? 0 : 1);
    int status = -1;
    ASSERT_TRUE(PumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(owner.RaisesServed(), 1);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
}  // namespace panelaid
