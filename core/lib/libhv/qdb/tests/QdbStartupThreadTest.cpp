// The start-up is once per process whichever threads run it at once: no
// thread returns before it is complete (here: until the manager is there,
// which comes once every thread is inside the start-up, waiting).
#include "QdbDaemonFixture.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "platform/PollUntil.h"

#include <atomic>
#include <thread>

namespace {

using qdbfixture::QdbDaemonTest;

TEST_F(QdbDaemonTest, ThreadsStartingTogetherAllWaitForTheWholeStartUp) {
    StartDaemon();
    ASSERT_TRUE(Available(false));  // no manager yet: the start-up waits for it
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    // The manager comes up once the client's start-up waits for it: a
    // process, so that the test forks the client without threads of its own.
    pid_t manager = ::fork();
    if (manager == 0) {
        char c;
        if (::read(go[0], &c, 1) != 1) ::_exit(2);
        ::_exit(SetManagerAvailable() ? 0 : 1);
    }
    ASSERT_GT(manager, 0);
    auto client = cfgtest::RunChild([&] {
        set_errinfo("client", "test", 0, nullptr);
        setAppId(0);
        std::atomic<int> early{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&early, i] {
                if (i % 2) qdbinit(); else qdbpinit();
                if (pShmPtr == nullptr || pQdb_shgp->mgrAvailable == 0) early.fetch_add(1);
            });
        }
        // Inside the start-up: the four qdbpinit threads and the one qdbinit
        // runs (the other three wait on qdbinit's once), one of them waiting
        // for the manager.
        const bool inside = portlib::platform::PollUntil(
            [] { return qdbStartupCallers() == 5 && qdbWaitingForManager(); }, 20000, 5);
        (void)!::write(go[1], "g", 1);
        for (auto& t : threads) t.join();
        return inside ? early.load() : 100;
    });
    int status = 0;
    ::waitpid(manager, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    ::close(go[0]);
    ::close(go[1]);
    EXPECT_EQ(client.exitCode, 0) << client.err;
}

}  // namespace
