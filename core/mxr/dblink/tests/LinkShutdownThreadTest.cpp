// The link's end in the manager's own world, after the stop signal: the
// database thread sits in a call that waits on this manager (a receive that
// nobody answers), the world is stopped, and Shutdown must still end, with
// the thread's later calls answered and its queued jobs run. Each run is a
// child process, so a Shutdown that never ends fails the test within a
// bound instead of hanging it.
#include "MxrCfgstoreObj.h"
#include "MxrTestSupport.h"
#include "MxrWorld.h"
#include "ProxyPostOffice.h"
#include "platform/NamedPipeName.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the child reports, one byte each: the receive's error, the removal's
// error, and the jobs that ran after the receive.
struct Outcome {
    int receive = -1;
    int remove = -1;
    int jobsAfter = -1;
};

// The waiting receive in the post office (its mailbox holds one request).
bool ReceiveWaits(MxrWorld& world, const char* box) {
    MailBoxLstIter it(world.GetMxrPostOffice().GetMailBoxLst());
    for (MailBoxPtr b = it.First(); b.GetPtr() != nullptr; b = it.Next())
        if (b->GetMboxName() == bStr(box)) return b->GetReqList().GetItemCnt() == 1;
    return false;
}

// The child: the manager's world with the link, the database thread in a
// receive from this host's mailbox, then the stop and Shutdown.
[[noreturn]] void RunManager(int report) {
    RuntimeScope scope{"NODEA", 1};
    MxrWorld world;
    MxrWorld::SetMxrPipeName(GetMxrPipeName());
    if (world.Initialize() != 0) ::_exit(2);
    world.SetDfltPollTimer(10);
    MxrCfgstoreObjPtr link(new MxrCfgstoreObj());
    std::atomic<int> receive{-1}, remove{-1}, jobsAfter{0};
    link->RunOnDatabaseThread([&] {
        ProxyPostOffice po(1);
        if (po.CreateMailBox("reply") != Message::OKAY) return;
        const MessagePtr got = po.RcvFromHostMbox(BaseAddr::GetCurrentHost(), "reply");
        receive = got.Ok() ? static_cast<int>(got->GetLastErr()) : -2;
        // The call after it, as a requester cleans up its reply mailbox.
        remove = static_cast<int>(po.RemoveMailBox("reply"));
    });
    link->RunOnDatabaseThread([&] { ++jobsAfter; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ReceiveWaits(world, "reply")) {
        if (std::chrono::steady_clock::now() > deadline) ::_exit(3);
        world.Run();
    }
    // As the stop signal leaves it.
    world.SetRunFlag(0);
    link->Shutdown(world, 15000);
    const char bytes[] = {static_cast<char>(receive.load()), static_cast<char>(remove.load()),
                          static_cast<char>(jobsAfter.load())};
    if (::write(report, bytes, sizeof bytes) != static_cast<ssize_t>(sizeof bytes)) ::_exit(4);
    link = MxrCfgstoreObjPtr();
    world.CleanUp();
    ::_exit(0);
}

struct LinkShutdown : ::testing::Test {
    hvtest::TempSystemDir sys;

    // Runs the child; false when it did not end within ms (it is killed).
    bool RunWithin(int ms, int* exitCode, Outcome* out) {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        std::fflush(stdout);
        std::fflush(stderr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            RunManager(fds[1]);
        }
        ::close(fds[1]);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        int status = 0;
        bool ended = false;
        while (!(ended = ::waitpid(pid, &status, WNOHANG) == pid)) {
            if (std::chrono::steady_clock::now() > deadline) break;
            ::usleep(5000);
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        char bytes[3];
        if (ended && ::read(fds[0], bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes))
            *out = {bytes[0], bytes[1], bytes[2]};
        ::close(fds[0]);
        return ended;
    }
};

}  // namespace

TEST_F(LinkShutdown, AReceiveOfTheDatabaseThreadEndsAndItsNextCallIsAnswered) {
    int code = -1;
    Outcome out;
    ASSERT_TRUE(RunWithin(30000, &code, &out)) << "Shutdown did not end";
    ASSERT_EQ(code, 0);
    // Ended as when the manager goes: a client reads it as the failed receive.
    EXPECT_EQ(out.receive, static_cast<int>(Message::SYNCHRCVFAILED));
    EXPECT_EQ(out.remove, static_cast<int>(Message::OKAY));
    // The job queued behind the waiting call still ran.
    EXPECT_EQ(out.jobsAfter, 1);
}
