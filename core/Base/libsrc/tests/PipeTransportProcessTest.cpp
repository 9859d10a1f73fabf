// Two real processes through the manager's listener: this process runs a
// test manager world on a fresh system directory; a forked child builds a
// client world whose endpoint connects by the pipe's name. Large messages
// both ways, a client killed outright, and heartbeats across a stopped and
// continued sender. Every wait is bounded; no child outlives its test.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "LogicalAddr.h"
#include "LogicalAddrEnt.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "TransportTestWorlds.h"
#include "platform/tests/TempSystemDir.h"

namespace {

const char* const kPipe = "\\\\.\\PIPE\\mxr_pipe";
constexpr std::size_t kMiB = 1 << 20;

// Both sides name their test receiver so.
constexpr LogicalAddr::enLogicalName kTestService = LogicalAddr::MXRDEBUG;

enum class ChildMode { Bulk, Idle, HeartBeat };

// The client process. Exit status: 0 done, 10 no connection, 11 no answer
// in time, 12 a corrupted answer.
[[noreturn]] void ChildMain(ChildMode mode) {
    // A client process: own empty tables, no manager flag, gate closed (the
    // scope is never unwound: the child leaves with _exit).
    static RuntimeScope childScope{"NODEA", 0};
    ClientTestWorld world(kPipe);
    world.SetDfltPollTimer(50);
    if (world.Initialize() != 0) ::_exit(10);
    RecordingRcvr rcvr;
    LogicalAddrEntPtr name(new LogicalAddrEnt(kTestService, BaseAddrPtr(rcvr.GetAddrPtr())));
    if (mode == ChildMode::HeartBeat) {
        world.head->SetHbInterval(1);
        world.head->ActivateSendHeartBeat();
    }
    if (mode == ChildMode::Bulk) {
        BaseAddrPtr manager(new LogicalAddr(BaseAddr::GetCurrentHost(), 0, 0, kTestService));
        BaseMsgPtr(new BulkMsg(manager, 1, Payload(kMiB, 1))).Send();
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        world.Run();
        if (mode != ChildMode::Bulk || rcvr.seen.empty()) continue;
        BulkMsgPtr answer(rcvr.seen.front().msg);
        const bool intact = answer.Ok() && answer->n == 2 &&
                            std::string(static_cast<const char*>(answer->data)) == Payload(kMiB, 2);
        // Let the loop write nothing more; the answer was the last message.
        ::_exit(intact ? 0 : 12);
    }
    ::_exit(11);
}

struct Child {
    pid_t pid = -1;
    int status = -1;
    explicit Child(ChildMode mode) {
        pid = ::fork();
        if (pid == 0) ChildMain(mode);
    }
    ~Child() {
        if (pid > 0 && status == -1) {
            ::kill(pid, SIGKILL);
            Reap(true);
        }
    }
    // True once the child has exited (status set).
    bool Reap(bool wait = false) {
        if (status != -1) return true;
        int st = 0;
        const pid_t r = ::waitpid(pid, &st, wait ? 0 : WNOHANG);
        if (r != pid) return false;
        status = st;
        return true;
    }
};

struct TwoProcesses : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 1};
    ListenerTestWorld world{kPipe};
    RecordingRcvr rcvr;
    LogicalAddrEntPtr name;

    void SetUp() override {
        world.SetDfltPollTimer(50);
        ASSERT_EQ(world.Initialize(), 0);
        name = new LogicalAddrEnt(kTestService, BaseAddrPtr(rcvr.GetAddrPtr()));
    }
    PipeHead* EndpointOf(const Child& c) {
        return static_cast<PipeHead*>(BaseAddrEnt::LookUpRoute("NODEA", c.pid, c.pid));
    }
    int Adapters() { return world.GetPollManager().GetPollAdptrLst().GetItemCnt(); }
};

}  // namespace

TEST_F(TwoProcesses, AMebibyteCrossesEachWayIntact) {
    Child child(ChildMode::Bulk);
    ASSERT_GT(child.pid, 0);
    ASSERT_TRUE(RunUntil(world, [&] { return !rcvr.seen.empty() || child.Reap(); }, 60000));
    ASSERT_FALSE(rcvr.seen.empty()) << "child exited with " << child.status;
    BulkMsgPtr got(rcvr.seen.front().msg);
    ASSERT_TRUE(got.Ok());
    EXPECT_EQ(got->n, 1);
    EXPECT_TRUE(std::string(static_cast<const char*>(got->data)) == Payload(kMiB, 1));
    BaseAddrPtr client(new LogicalAddr("NODEA", child.pid, child.pid, kTestService));
    BaseMsgPtr(new BulkMsg(client, 2, Payload(kMiB, 2))).Send();
    ASSERT_TRUE(RunUntil(world, [&] { return child.Reap(); }, 60000));
    ASSERT_TRUE(WIFEXITED(child.status));
    EXPECT_EQ(WEXITSTATUS(child.status), 0);
    // Its endpoint went with it.
    EXPECT_TRUE(RunUntil(world, [&] { return EndpointOf(child) == nullptr && Adapters() == 1; }));
}

TEST_F(TwoProcesses, AKilledClientLeavesNoEndpointOrRouteBehind) {
    Child child(ChildMode::Idle);
    ASSERT_TRUE(RunUntil(world, [&] { return EndpointOf(child) != nullptr; }, 30000));
    EXPECT_EQ(Adapters(), 2);
    ::kill(child.pid, SIGKILL);
    ASSERT_TRUE(RunUntil(world, [&] { return child.Reap() && EndpointOf(child) == nullptr && Adapters() == 1; },
                         30000));
    EXPECT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 0);
}

TEST_F(TwoProcesses, AStoppedSenderIsDeclaredDeadAndComesBackAliveWhenContinued) {
    Child child(ChildMode::HeartBeat);
    ASSERT_TRUE(RunUntil(world, [&] { return EndpointOf(child) != nullptr; }, 30000));
    PipeHeadPtr watcher(EndpointOf(child));
    constexpr int kUp = 1, kDown = 2;
    auto notice = [&](int n) { return BaseMsgPtr(new NoticeMsg(BaseAddrPtr(rcvr.GetAddrPtr()), n)); };
    ASSERT_EQ(watcher->RegisterRouteStatus(notice(kUp), notice(kDown)), 0);
    watcher->SetHbInterval(1);
    watcher->SetHbMaxMiss(2);
    watcher->ActivateRcvHeartBeat();
    ASSERT_TRUE(RunUntil(world, [&] { return watcher->GetHbStatus() == PipeHead::ALIVE; }, 10000));
    ::kill(child.pid, SIGSTOP);
    ASSERT_TRUE(RunUntil(world, [&] { return watcher->GetHbStatus() == PipeHead::DEAD; }, 20000));
    ::kill(child.pid, SIGCONT);
    ASSERT_TRUE(RunUntil(world, [&] { return watcher->GetHbStatus() == PipeHead::ALIVE; }, 20000));
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kDown, kUp}));
    ::kill(child.pid, SIGKILL);
    ASSERT_TRUE(RunUntil(world, [&] { return child.Reap() && watcher->GetHbActivity() == PipeHead::UNDEFINED; },
                         30000));
    // Killed while ALIVE: the hang-up declares it dead once more.
    EXPECT_EQ(watcher->GetHbStatus(), PipeHead::DEAD);
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{kUp, kDown, kUp, kDown}));
}
