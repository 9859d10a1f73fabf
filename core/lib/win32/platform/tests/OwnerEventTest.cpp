#include "platform/OwnerEvent.h"
#include "platform/tests/ReadyChild.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using namespace portlib::platform;

namespace {

constexpr const char* kName = "TestQDB";

class OwnerEventTest : public hvtest::SystemDirTest {};

TEST_F(OwnerEventTest, ExistsWhileItsOwnerLivesAndTellsPidAndSignal) {
    OwnerEvent::State st;
    EXPECT_EQ(OwnerEvent::Query(kName, &st), ENOENT);
    EXPECT_EQ(OwnerEvent::WaitSignalled(kName, 1000), ENOENT);

    pid_t owner = hvtest::StartReadyChild([] {
        static OwnerEvent ev;
        return ev.Create(kName);
    });
    ASSERT_GT(owner, 0);
    ASSERT_EQ(OwnerEvent::Query(kName, &st), 0);
    EXPECT_EQ(st.ownerPid, owner);
    EXPECT_FALSE(st.signalled);
    EXPECT_EQ(OwnerEvent::WaitSignalled(kName, 30), ETIMEDOUT);

    OwnerEvent second;
    EXPECT_EQ(second.Create(kName), EEXIST);  // one owner at a time
    EXPECT_EQ(second.Signal(), EBADF);

    hvtest::KillAndReap(owner);  // a crashed owner leaves no event
    EXPECT_EQ(OwnerEvent::Query(kName, &st), ENOENT);
    ASSERT_EQ(second.Create(kName), 0);
    EXPECT_TRUE(second.IsOwner());
}

// A child that waits for the event and exits with the wait's result.
pid_t StartWaiter() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(OwnerEvent::WaitSignalled(kName, 20000, 5));
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(OwnerEventTest, WaiterWakesOnSignalAndLearnsOfAnOwnerThatDies) {
    OwnerEvent ev;
    ASSERT_EQ(ev.Create(kName), 0);
    pid_t waiter = StartWaiter();
    ASSERT_GT(waiter, 0);
    ASSERT_EQ(ev.Signal(), 0);
    EXPECT_EQ(ExitCode(waiter), 0);
    OwnerEvent::State st;
    ASSERT_EQ(OwnerEvent::Query(kName, &st), 0);
    EXPECT_TRUE(st.signalled);
    EXPECT_EQ(OwnerEvent::WaitSignalled(kName, 0), 0);
    ev.Close();

    pid_t owner = hvtest::StartReadyChild([] {
        static OwnerEvent mine;
        return mine.Create(kName);
    });
    ASSERT_GT(owner, 0);
    waiter = StartWaiter();
    ASSERT_GT(waiter, 0);
    hvtest::KillAndReap(owner);
    EXPECT_EQ(ExitCode(waiter), ENOENT);  // told at once, not after the time-out
}

}  // namespace
