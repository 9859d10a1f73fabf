// Administrator proxies on several threads: each thread its own connection
// to the manager, each answer on the thread that asked.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MxrDll.h"
#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "ProxyMxrAdmin.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

TEST(ProxyMxrAdminThreads, TwoThreadsTwoConnectionsEachItsOwnAnswers) {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    ManagerProcess manager(sys.Path(), "NODEA");
    ASSERT_TRUE(manager.WaitListening()) << manager.child.Err();
    ChildProcess agent({StubAgentBin(), "LA"}, {{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}},
                       sys.Path() + "/agent.out", sys.Path() + "/agent.err");
    ASSERT_TRUE(WaitUntil([&] { return agent.Out().find("registered LA") != std::string::npos; })) << agent.Err();

    std::atomic<int> connected{0};
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    const void* pipes[2] = {nullptr, nullptr};
    int results[2][3] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            ProxyMxrAdmin admin;
            ProxyMxrAdmin again;  // the same connection as admin
            pipes[t] = admin.GetPipeHeadPtr().GetPtr();
            if (again.GetPipeHeadPtr().GetPtr() == pipes[t]) ++connected;
            ++ready;
            while (!go.load()) std::this_thread::yield();
            const std::string dev = "dev" + std::to_string(t);
            for (int i = 0; i < 3; ++i) {
                const int c = admin.CreateCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, dev.c_str(), 1, 1, 3,
                                                   0, BaseMsgPtr());
                const int d = again.DeleteCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, dev.c_str());
                const int gone = admin.DeleteCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, dev.c_str());
                results[t][i] = c * 100 + d * 10 + gone;
            }
            EXPECT_EQ(MxrThreadSharedPipeSlots().sharedPipeRefCntTls, 2);
        });
    while (ready.load() < 2) std::this_thread::yield();
    EXPECT_TRUE(manager.WaitConnections(3));  // the agent's and one a thread
    go = true;
    for (auto& th : threads) th.join();
    EXPECT_EQ(connected.load(), 2);
    EXPECT_NE(pipes[0], pipes[1]);
    for (auto& r : results)
        for (int v : r) EXPECT_EQ(v, 1);  // created 0, deleted 0, then unknown 1
    EXPECT_TRUE(manager.WaitConnections(1));  // the agent's
    EXPECT_EQ(manager.child.Stop(), 0);
}
