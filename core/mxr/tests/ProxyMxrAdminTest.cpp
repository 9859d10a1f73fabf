// The administrator proxy against the real thing: the stand-in manager
// (hvmanager, with the path administrator) and the stub agent
// (hvstubagent) as processes on a fresh system directory. The
// administrator's 360 s waits run at a hundredth of their length here
// (HV_TEST_TIME_SCALE); one test labelled slow keeps them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "MxrClntWorld.h"
#include "MxrDll.h"
#include "ProcessTestSupport.h"
#include "ProxyMxrAdmin.h"
#include "SharedManagerPipe.h"
#include "ProxyPostOffice.h"
#include "MxrTestSupport.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

constexpr const char* kScale = "0.01";  // 360 s -> 3.6 s, 2 s -> 20 ms

int Create(ProxyMxrAdmin& admin, const char* device = "dev0") {
    return admin.CreateCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, device, 1, 1, 3, 0, BaseMsgPtr());
}

int Delete(ProxyMxrAdmin& admin, const char* device = "dev0") {
    return admin.DeleteCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, device);
}

struct Scaled {
    // Before anything of this process reads the scale (it is read once).
    Scaled() { ::setenv("HV_TEST_TIME_SCALE", kScale, 1); }
    ~Scaled() { ::unsetenv("HV_TEST_TIME_SCALE"); }
};

struct AdminTest : ::testing::Test {
    Scaled scaled;
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::unique_ptr<ManagerProcess> manager;
    int children = 0;

    void StartManager(int delayMs = 0) {
        manager = std::make_unique<ManagerProcess>(sys.Path(), "NODEA", delayMs,
                                                   EnvOverrides{{"HV_TEST_TIME_SCALE", kScale}});
        if (delayMs == 0) {
            ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
        }
    }
    // hvstubagent with args, delayMs later.
    std::unique_ptr<ChildProcess> Agent(std::vector<std::string> args, int delayMs = 0) {
        std::vector<std::string> argv;
        if (delayMs > 0)
            argv = {"/bin/sh", "-c", "sleep " + std::to_string(delayMs / 1000.0) + "; exec \"$0\" \"$@\"",
                    StubAgentBin()};
        else
            argv = {StubAgentBin()};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string base = sys.Path() + "/agent" + std::to_string(++children);
        return std::make_unique<ChildProcess>(
            argv, EnvOverrides{{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}, {"HV_TEST_TIME_SCALE", kScale}},
            base + ".out", base + ".err");
    }
    static bool Says(ChildProcess& c, const std::string& text, int timeoutMs = 10000) {
        return WaitUntil([&] { return c.Out().find(text) != std::string::npos; }, timeoutMs);
    }
};

struct AdminWithManager : AdminTest {
    void SetUp() override { StartManager(); }
    void TearDown() override {
        if (manager->child.Running()) {
            EXPECT_EQ(manager->child.Stop(), 0) << manager->child.Err();
        }
    }
};

}  // namespace

// A live agent takes the path (0) and lets it go (0); the path is then
// unknown (1).
TEST_F(AdminWithManager, CreateAndDeleteThroughALiveAgent) {
    auto agent = Agent({"LA"});
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    ProxyMxrAdmin admin;
    EXPECT_EQ(Create(admin), 0);
    EXPECT_TRUE(Says(*agent, "add-host NODEB NODEB dev0 answered 0")) << agent->Out();
    EXPECT_EQ(Delete(admin), 0);
    EXPECT_TRUE(Says(*agent, "delete-host NODEB NODEB dev0 answered 0")) << agent->Out();
    EXPECT_EQ(Delete(admin), 1);
}

// The administrator waits for an agent that registers after the request.
TEST_F(AdminWithManager, AnAgentThatRegistersLaterIsWaitedFor) {
    auto agent = Agent({"LA"}, 300);
    ProxyMxrAdmin admin;
    EXPECT_EQ(Create(admin), 0);
    EXPECT_TRUE(Says(*agent, "add-host NODEB NODEB dev0 answered 0")) << agent->Out();
}

// No agent at all, or one that never answers: 1 once the (scaled) waits run
// out; the connection is still good for the next call.
TEST_F(AdminWithManager, TheAdministratorGivesUpWaiting) {
    ProxyMxrAdmin admin;
    EXPECT_EQ(Create(admin, "nobody"), 1);
    auto agent = Agent({"-n", "LA"});
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    EXPECT_EQ(Create(admin, "mute"), 1);
    EXPECT_TRUE(Says(*agent, "add-host NODEB NODEB mute unanswered")) << agent->Out();
    EXPECT_EQ(Delete(admin, "mute"), 1);
}

// A late answer within the wait is still the answer.
TEST_F(AdminWithManager, ADelayedAnswerWithinTheWaitCounts) {
    auto agent = Agent({"-D", "500", "LA"});
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    ProxyMxrAdmin admin;
    EXPECT_EQ(Create(admin), 0);
    EXPECT_EQ(Delete(admin), 0);
}

// The manager dies while the call waits: -1, not a hang.
TEST_F(AdminWithManager, AManagerKilledMidCallFailsTheCall) {
    auto agent = Agent({"-n", "LA"});
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    auto call = std::async(std::launch::async, [] {
        ProxyMxrAdmin admin;
        return Create(admin);
    });
    ASSERT_TRUE(Says(*agent, "add-host NODEB NODEB dev0 unanswered")) << agent->Out();
    ::kill(manager->child.Pid(), SIGKILL);
    ASSERT_EQ(call.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(call.get(), -1);
    EXPECT_EQ(agent->Wait(10000), 3) << "the agent notices the manager is gone";
}

// Every proxy of a thread, of either kind, uses one connection; it closes
// with the last one, and the next proxy connects anew.
TEST_F(AdminWithManager, ProxiesOfOneThreadShareOneConnection) {
    auto first = std::make_unique<ProxyMxrAdmin>();
    auto second = std::make_unique<ProxyMxrAdmin>();
    auto office = std::make_unique<ProxyPostOffice>();
    EXPECT_EQ(first->GetUsingSharedPipe(), 1);
    EXPECT_EQ(first->GetPipeHeadPtr().GetPtr(), second->GetPipeHeadPtr().GetPtr());
    EXPECT_EQ(first->GetPipeHeadPtr().GetPtr(), office->GetPipeHeadPtr().GetPtr());
    EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, 3);
    ASSERT_TRUE(manager->WaitConnections(1));
    first.reset();
    EXPECT_EQ(Delete(*second, "unknown"), 1);  // still connected
    EXPECT_EQ(office->CanTalk("NODEA", "_CaN_tAlK_"), Message::OKAY);
    office.reset();
    const SynchPipeHead* old = second->GetPipeHeadPtr().GetPtr();
    second.reset();
    EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, 0);
    EXPECT_TRUE(manager->WaitConnections(0));
    ProxyMxrAdmin third;
    EXPECT_NE(third.GetPipeHeadPtr()->GetFileDscrpt(), -1);
    EXPECT_TRUE(manager->WaitConnections(1));
    EXPECT_EQ(Delete(third, "unknown"), 1);
    static_cast<void>(old);
}

// The private-pipe form owns its connection and closes it when it goes
// (before, the pipe of such a proxy outlived it).
TEST_F(AdminWithManager, APrivateConnectionClosesWithItsProxy) {
    const int before = OpenDescriptors();
    {
        ProxyMxrAdmin shared;
        ProxyMxrAdmin own(0);
        EXPECT_EQ(own.GetUsingSharedPipe(), 0);
        EXPECT_NE(own.GetPipeHeadPtr().GetPtr(), shared.GetPipeHeadPtr().GetPtr());
        EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, 1);
        EXPECT_TRUE(manager->WaitConnections(2));
        EXPECT_EQ(Delete(own, "unknown"), 1);
    }
    EXPECT_TRUE(manager->WaitConnections(0));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(AdminWithManager, DescriptorsStayFlatOverAThousandProxies) {
    { ProxyMxrAdmin warm; }
    const int before = OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        if (i % 10 == 9) {
            ProxyMxrAdmin own(0);
        } else {
            ProxyMxrAdmin a;
            ProxyPostOffice p;
        }
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(manager->WaitConnections(0));
}

// Releasing more shared proxies than were made stops the process.
TEST_F(AdminWithManager, OverReleaseStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto made = std::make_unique<ProxyMxrAdmin>();
            auto forged = std::make_unique<ProxyMxrAdmin>(made->GetPipeHeadPtr());
            forged->SetUsingSharedPipe(1);  // counted once, released twice
            made.reset();
            forged.reset();
        },
        "sharedPipeRefCnt > 0");
}

namespace {
struct AdminWithoutManager : AdminTest {};
}  // namespace

// The stub agent's client world waits for the manager, then registers.
TEST_F(AdminWithoutManager, AnAgentStartedFirstRegistersOnceTheManagerListens) {
    auto agent = Agent({"LA"});
    ASSERT_TRUE(Says(*agent, "waiting for the manager")) << agent->Err();
    StartManager();
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    ProxyMxrAdmin admin;
    EXPECT_EQ(Create(admin), 0);
    EXPECT_EQ(manager->child.Stop(), 0);
}

// A proxy and a client world that wait for a manager retry every (scaled)
// 2 s, many times over, and hold no more descriptors than one attempt
// needs; both connect once the manager listens.
TEST_F(AdminWithoutManager, WaitingForTheManagerLeaksNoDescriptors) {
    const int before = OpenDescriptors();
    auto proxy = std::async(std::launch::async, [] {
        ProxyMxrAdmin admin;
        return Delete(admin, "unknown");
    });
    auto world = std::async(std::launch::async, [] {
        MxrClntWorld w(nullptr, nullptr);
        return w.Initialize();
    });
    // 50 of the proxy's attempts at 20 ms a retry (100 s of real retries;
    // the world retries at the same pace), the descriptors sampled meanwhile.
    const long failed = SharedManagerPipe::FailedConnects();
    int most = 0;
    EXPECT_TRUE(WaitUntil([&] {
        most = std::max(most, OpenDescriptors());
        return SharedManagerPipe::FailedConnects() >= failed + 50;
    }, 20000));
    EXPECT_LE(most, before + 2) << "one attempt each at most";
    StartManager();
    ASSERT_EQ(proxy.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(proxy.get(), 1);
    ASSERT_EQ(world.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(world.get(), 0);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(manager->child.Stop(), 0);
}

// Under a bound, a proxy made while no manager listens gives up (its calls
// fail) instead of waiting; the thread's shared connection is not counted,
// so the thread's next proxy, without a bound, waits for the manager and
// connects once it listens.
TEST_F(AdminWithoutManager, ABoundedConnectGivesUpAndTheThreadsNextProxyWaitsAgain) {
    std::promise<void> bounded, started;
    auto thread = std::async(std::launch::async, [&bounded, &started] {
        std::string out;
        const long failed = SharedManagerPipe::FailedConnects();
        {
            SharedManagerPipe::Bound bound(300);
            ProxyMxrAdmin admin;
            out += admin.GetPipeHeadPtr().Ok() ? "connected" : "gave up";
            out += SharedManagerPipe::FailedConnects() > failed ? " after tries" : " untried";
        }
        bounded.set_value();
        started.get_future().wait();
        ProxyMxrAdmin admin;
        out += admin.GetPipeHeadPtr().Ok() ? ", then connected " : ", then none ";
        return out + std::to_string(Delete(admin, "unknown"));
    });
    // Deadline of the bounded attempt: 300 ms and generous slack.
    ASSERT_EQ(bounded.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    StartManager();
    started.set_value();
    ASSERT_EQ(thread.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(thread.get(), "gave up after tries, then connected 1");
    EXPECT_EQ(manager->child.Stop(), 0);
}

// At its real 2 s, the retry connects a proxy made before the manager soon
// after the manager listens (a bounded wait: one retry and some slack).
TEST(ProxyMxrAdminRealRetry, AProxyMadeBeforeTheManagerConnectsWithinOneRetry) {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    auto proxy = std::async(std::launch::async, [] {
        ProxyMxrAdmin admin;
        return Delete(admin, "unknown");
    });
    // The proxy has tried once and waits for its retry.
    const long failed = SharedManagerPipe::FailedConnects();
    ASSERT_TRUE(WaitUntil([&] { return SharedManagerPipe::FailedConnects() > failed; }, 10000));
    ManagerProcess manager(sys.Path(), "NODEA");
    ASSERT_TRUE(manager.WaitListening()) << manager.child.Err();
    const auto listening = std::chrono::steady_clock::now();
    ASSERT_EQ(proxy.wait_for(std::chrono::milliseconds(2000 + 1500)), std::future_status::ready);
    RecordProperty("connected_after_listening_ms",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - listening)
                                        .count()));
    EXPECT_EQ(proxy.get(), 1);
    EXPECT_EQ(manager.child.Stop(), 0);
}

// The command line: paths created and deleted with hvpo, the agent's three
// reports sent on command (through its FIFO), seen by a watcher and by
// host-up.
TEST_F(AdminWithManager, CommandLinePathCommandsReportsAndWatcher) {
    const std::string fifo = sys.Path() + "/agent.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto agent = Agent({"-c", fifo, "-k", "TTY", "LA"});
    ASSERT_TRUE(Says(*agent, "registered LA tag")) << agent->Err();
    auto po = [&](std::vector<std::string> args) {
        args.insert(args.begin(), PoBin());
        const std::string base = sys.Path() + "/po" + std::to_string(++children);
        ChildProcess p(args, EnvOverrides{{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}}, base + ".out",
                       base + ".err");
        const int rc = p.Wait(20000);
        return std::make_pair(rc, p.Out());
    };
    std::vector<std::string> watchArgs{PoBin(), "watch"};
    ChildProcess watch(watchArgs, {{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}}, sys.Path() + "/w.out",
                       sys.Path() + "/w.err");
    ASSERT_TRUE(Says(watch, "watching")) << watch.Err();
    auto tell = [&](const std::string& line) {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const std::string text = line + "\n";
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    };

    EXPECT_EQ(po({"create-path", "-k", "TTY", "-i", "2", "NODEB", "LA", "NODEB", "/dev/ttyS1"}),
              std::make_pair(0, std::string("create-path: 0\n")));
    EXPECT_EQ(po({"host-up", "NODEB"}), std::make_pair(1, std::string("NOKAY\n")));
    tell("outconn NODEB /dev/ttyS1 INITIALIZING");
    tell("status NODEB /dev/ttyS1 ALIVE");
    EXPECT_TRUE(Says(watch, "PATH LA /dev/ttyS1 TTY NODEB NODEB ALIVE\n")) << watch.Out() << agent->Out();
    EXPECT_EQ(po({"host-up", "NODEB"}), std::make_pair(0, std::string("OKAY\n")));
    tell("disconnected NODEB /dev/ttyS1");
    tell("status NODEB /dev/ttyS1 DEAD");
    EXPECT_TRUE(Says(watch, "PATH LA /dev/ttyS1 TTY NODEB NODEB DEAD\n")) << watch.Out();
    EXPECT_EQ(po({"host-up", "NODEB"}).first, 1);
    tell("bogus words");
    EXPECT_TRUE(WaitUntil([&] { return agent->Err().find("unknown command \"bogus words\"") != std::string::npos; }));
    EXPECT_EQ(po({"delete-path", "-k", "TTY", "NODEB", "LA", "NODEB", "/dev/ttyS1"}).first, 0);
    EXPECT_EQ(po({"delete-path", "-k", "TTY", "NODEB", "LA", "NODEB", "/dev/ttyS1"}).first, 1);
    // Bad command lines are refused before the manager is asked.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"create-path", "NODEB", "LA", "NODEB"},
          {"create-path", "-k", "SCSI", "NODEB", "LA", "NODEB", "d"},
          {"create-path", "-i", "0", "NODEB", "LA", "NODEB", "d"},
          {"delete-path", "-i", "2", "NODEB", "LA", "NODEB", "d"},
          {"host-up", ""}})
        EXPECT_EQ(po(bad).first, 64) << bad[0];
    EXPECT_TRUE(agent->Running());
}
