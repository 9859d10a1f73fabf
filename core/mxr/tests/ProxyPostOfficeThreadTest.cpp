// Threads of one client process against the real manager (hvmanager): one
// connection per thread shared by its proxies, counted from the manager's
// side (/proc); a thread that ends closes its connection; many threads at
// once keep their own answers; message numbers drawn by many threads are
// all different.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <memory>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

#include "MsgIo.h"
#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "ProxyPostOffice.h"
#include "platform/NamedPipe.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

struct Threads : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::unique_ptr<ManagerProcess> manager;

    void SetUp() override {
        manager = std::make_unique<ManagerProcess>(sys.Path(), "NODEA");
        ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
        ASSERT_TRUE(manager->WaitConnections(0));
    }
    void TearDown() override { EXPECT_EQ(manager->child.Stop(), 0) << manager->child.Err(); }
};

MessagePtr Letter(const std::string& text) { return MessagePtr(new Message(text.c_str())); }

}  // namespace

// Two proxies of a thread share one connection, the last one closes it, and
// a third one made afterwards connects anew.
TEST_F(Threads, AThreadsProxiesShareOneConnection) {
    {
        auto first = std::make_unique<ProxyPostOffice>();
        ProxyPostOffice second;
        EXPECT_EQ(first->GetPipeHeadPtr().GetPtr(), second.GetPipeHeadPtr().GetPtr());
        EXPECT_EQ(first->GetUsingSharedPipe(), 1);
        EXPECT_TRUE(manager->WaitConnections(1));
        EXPECT_EQ(first->CreateMailBox("box"), Message::OKAY);
        first.reset();
        EXPECT_EQ(second.IsMboxEmpty("box"), Message::OKAY);  // still connected
        EXPECT_EQ(manager->Connections(), 1);
    }
    EXPECT_TRUE(manager->WaitConnections(0));
    ProxyPostOffice third;
    EXPECT_TRUE(manager->WaitConnections(1));
    EXPECT_EQ(third.IsMboxEmpty("box"), Message::OKAY);
}

// A proxy with a connection of its own beside the thread's shared one: each
// gets its own answers (the second connection has an address of its own).
TEST_F(Threads, AProxyOfItsOwnBesideTheSharedOne) {
    ProxyPostOffice shared;
    ProxyPostOffice own(0);
    EXPECT_EQ(own.GetUsingSharedPipe(), 0);
    EXPECT_NE(own.GetPipeHeadPtr().GetPtr(), shared.GetPipeHeadPtr().GetPtr());
    EXPECT_TRUE(manager->WaitConnections(2));
    EXPECT_EQ(own.CreateMailBox("mine"), Message::OKAY);
    EXPECT_EQ(shared.IsMboxEmpty("mine"), Message::OKAY);
    EXPECT_EQ(own.SendToMbox("NODEA", "mine", Letter("from own")), Message::OKAY);
    EXPECT_EQ(shared.RcvFromMbox("mine", 0)->GetDataStr(), bStr("from own"));
    EXPECT_EQ(shared.SendToMbox("NODEA", "mine", Letter("from shared")), Message::OKAY);
    EXPECT_EQ(own.RcvFromMbox("mine", 0)->GetDataStr(), bStr("from shared"));
}

// Two threads, two connections; one thread's receive is released by the
// other's send.
TEST_F(Threads, TwoThreadsTwoConnections) {
    std::barrier both(3);
    std::atomic<int> received{0};
    std::thread a([&] {
        ProxyPostOffice po;
        EXPECT_EQ(po.CreateMailBox("toA"), Message::OKAY);
        both.arrive_and_wait();  // both connected
        both.arrive_and_wait();  // counted
        const MessagePtr got = po.RcvFromMbox("toA", 0);
        if (got->GetLastErr() == Message::OKAY && got->GetDataStr() == bStr("from B")) ++received;
    });
    std::thread b([&] {
        ProxyPostOffice po;
        both.arrive_and_wait();
        both.arrive_and_wait();
        EXPECT_EQ(po.SendToMbox("NODEA", "toA", Letter("from B")), Message::OKAY);
    });
    both.arrive_and_wait();
    EXPECT_TRUE(manager->WaitConnections(2));
    both.arrive_and_wait();
    a.join();
    b.join();
    EXPECT_EQ(received.load(), 1);
    EXPECT_TRUE(manager->WaitConnections(0));
}

// A thread that ends while a proxy of it lives on closes its connection;
// the proxy then fails its calls and may be released anywhere.
TEST_F(Threads, AThreadThatEndsClosesItsConnection) {
    ProxyPostOffice mine;
    EXPECT_TRUE(manager->WaitConnections(1));
    ProxyPostOfficePtr leftOver;
    std::thread t([&] {
        leftOver = new ProxyPostOffice();
        EXPECT_EQ(leftOver->IsHostAlive("NODEA"), Message::OKAY);
    });
    t.join();
    EXPECT_TRUE(manager->WaitConnections(1));
    EXPECT_EQ(leftOver->IsHostAlive("NODEA"), Message::INTERNALERR);
    leftOver = ProxyPostOfficePtr();
    EXPECT_EQ(mine.IsHostAlive("NODEA"), Message::OKAY);
    EXPECT_EQ(manager->Connections(), 1);
}

// Many threads at once, each with its own mailbox: every answer reaches the
// thread that asked, every letter the mailbox it was sent to.
TEST_F(Threads, ManyThreadsKeepTheirOwnAnswers) {
    constexpr int kThreads = 12, kRounds = 100;
    std::atomic<int> wrong{0}, done{0};
    std::vector<std::thread> ts;
    for (int t = 0; t < kThreads; ++t) {
        ts.emplace_back([&, t] {
            ProxyPostOffice po;
            const std::string box = "t" + std::to_string(t);
            if (po.CreateMailBox(box.c_str()) != Message::OKAY) ++wrong;
            for (int r = 0; r < kRounds; ++r) {
                const std::string text = box + "-" + std::to_string(r);
                if (po.SendToMbox("NODEA", box.c_str(), Letter(text)) != Message::OKAY) ++wrong;
                if (po.IsMboxEmpty(box.c_str()) != Message::NOKAY) ++wrong;
                const MessagePtr got = po.RcvFromMbox(box.c_str(), 0);
                if (got->GetLastErr() != Message::OKAY || got->GetDataStr() != bStr(text.c_str()))
                    ++wrong;
                else
                    ++done;
            }
        });
    }
    for (std::thread& t : ts) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(done.load(), kThreads * kRounds);
    EXPECT_TRUE(manager->WaitConnections(0));
}

// The message counter is one for the process and drawn by every writing
// thread: numbers never repeat while they have not wrapped.
TEST(SynchPipeNumbers, ThreadsDrawDifferentNumbers) {
    constexpr int kThreads = 8, kWrites = 100;
    SynchPipeHead::SetNextIdVal(0);
    struct Pair {
        int fds[2];
    };
    std::vector<Pair> pairs(kThreads);
    for (Pair& p : pairs) ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, p.fds), 0);
    std::vector<std::thread> ts;
    for (int t = 0; t < kThreads; ++t) {
        ts.emplace_back([&, t] {
            SynchPipeHead c(pairs[t].fds[0]);
            for (int i = 0; i < kWrites; ++i) c.SynchWrite(BaseMsgPtr(new Message("n")));
        });
    }
    for (std::thread& t : ts) t.join();
    std::set<unsigned short> seen;
    int packets = 0;
    for (Pair& p : pairs) {
        portlib::platform::PipeSetBlocking(p.fds[1], false);
        char buf[600];
        for (;;) {
            hv::strbuf d{sizeof buf, 0, buf};
            if (hv::getmsg(p.fds[1], nullptr, &d, nullptr) != 0) break;
            ++packets;
            seen.insert(static_cast<unsigned short>(static_cast<unsigned char>(buf[2]) |
                                                    (static_cast<unsigned char>(buf[3]) << 8)));
        }
        portlib::platform::PipeClose(p.fds[1]);
    }
    EXPECT_EQ(packets, kThreads * kWrites);
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kWrites));
    EXPECT_EQ(seen.count(0), 0u);
    EXPECT_EQ(SynchPipeHead::GetNextIdVal(), kThreads * kWrites);
}
