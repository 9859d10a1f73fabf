// The poll manager: every registered adapter takes part in each poll, in
// registration order; de-registrations during a poll leave nothing dangling.
#include "LoopTestAdptr.h"
#include "PollManager.h"
#include "platform/DescriptorPoll.h"
#include "platform/NamedPipe.h"
#include "platform/tests/PollTestSupport.h"
#include "platform/tests/WhenPolling.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

LoopTestAdptrPtr NewAdptr(int fd = -1, short events = POLLIN) { return LoopTestAdptrPtr(new LoopTestAdptr(fd, events)); }

class PollManagerTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(LoopTestAdptr::Live(), 0) << "an adapter outlived the test"; }
};

TEST_F(PollManagerTest, ArraysGrowWithFiveSpareEntriesAndNeverShrink) {
    PollManager pm;
    EXPECT_EQ(pm.GetPollfdCnt(), 0);
    EXPECT_EQ(pm.GetPollfdPtr(), nullptr);
    std::vector<LoopTestAdptrPtr> held;
    // adapters registered -> capacity after a poll
    const int expected[] = {0, 6, 6, 6, 6, 6, 6, 12, 12};
    for (int n = 0; n <= 8; ++n) {
        if (n > 0) {
            held.push_back(NewAdptr());
            pm.Register(held.back());
        }
        EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::NOWORK);
        EXPECT_EQ(pm.GetPollfdCnt(), expected[n]) << n << " adapters";
    }
    for (int i = 0; i < 7; ++i) EXPECT_EQ(pm.DeRegister(held[i].GetPtr()), 1);
    EXPECT_EQ(pm.DeRegister(held[0].GetPtr()), 0);
    pm.PollForWork(0);
    EXPECT_EQ(pm.GetPollfdCnt(), 12);
    EXPECT_EQ(pm.GetPollAdptrLst().GetItemCnt(), 1);
}

TEST_F(PollManagerTest, EveryAdapterIsServedInOrderWithItsOwnEntry) {
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv), 0);
    PollManager pm;
    std::string order;
    auto idle = NewAdptr(-1);
    auto reader = NewAdptr(sv[0], POLLIN);
    auto writer = NewAdptr(sv[1], POLLOUT);
    for (auto* a : {&idle, &reader, &writer}) {
        (*a)->onRevents = [&order, &pm](LoopTestAdptr* self, hv::pollfd* p) {
            EXPECT_EQ(p, pm.GetPollfdPtr() + (order.size() % 3));
            EXPECT_EQ(p->fd, self->fd);
            order += static_cast<char>('0' + self->fd + 1);
            return p->revents ? BasePollAdptr::DIDWORK : BasePollAdptr::NOWORK;
        };
        pm.Register(*a);
    }
    EXPECT_EQ(pm.PollForWork(10000), BasePollAdptr::DIDWORK);  // the writer is ready
    EXPECT_EQ(reader->lastRevents, 0);
    EXPECT_EQ(writer->lastRevents, POLLOUT);
    EXPECT_EQ(idle->lastRevents, 0);
    EXPECT_EQ(order.size(), 3u);

    pm.DeRegister(writer.GetPtr());
    polltest::Stopwatch sw;
    polltest::WhenPolling peer([&] {
        std::size_t w = 0;
        portlib::platform::PipeWrite(sv[1], "ping", 4, &w);
    });
    // Far longer than the peer takes on any machine.
    EXPECT_EQ(pm.PollForWork(60000), BasePollAdptr::DIDWORK);
    EXPECT_TRUE(peer.SawPoll());
    EXPECT_LT(sw.ElapsedMs(), 30000);
    EXPECT_EQ(reader->lastRevents, POLLIN);
    EXPECT_EQ(writer->served, 1);
    portlib::platform::PipeClose(sv[0]);
    portlib::platform::PipeClose(sv[1]);
}

TEST_F(PollManagerTest, AnAdapterThatDeRegistersItselfLivesUntilThePollEnds) {
    PollManager pm;
    bool destroyedInTurn = false;
    {
        auto a = NewAdptr(-1);
        a->onRevents = [&](LoopTestAdptr* self, hv::pollfd*) {
            pm.DeRegister(self);               // the list held the last reference
            self->fd = 42;                     // still alive: ASan would see a freed object
            destroyedInTurn = LoopTestAdptr::Live() == 0;
            return BasePollAdptr::DIDWORK;
        };
        pm.Register(a);
    }
    EXPECT_EQ(LoopTestAdptr::Live(), 1);
    EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::DIDWORK);
    EXPECT_FALSE(destroyedInTurn);
    EXPECT_EQ(LoopTestAdptr::Live(), 0);  // released when the poll ended
    EXPECT_EQ(pm.GetPollAdptrLst().GetItemCnt(), 0);
}

// One adapter de-registers another, whose only holder is the manager, from
// each phase of a poll: the other one is never called again in that poll
// and is released when the poll ends.
TEST_F(PollManagerTest, DeRegisteringAnotherAdapterDuringAPoll) {
    struct Case {
        const char* what;
        bool fromPopulate;  // else from ProcessRevents
        bool victimFirst;   // the victim comes before the adapter that removes it
        int victimServed;   // ProcessRevents calls the victim gets
    };
    const Case cases[] = {
        {"revents, later victim", false, false, 0},
        {"revents, earlier victim (already served)", false, true, 1},
        {"populate, later victim", true, false, 0},
        {"populate, earlier victim", true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PollManager pm;
        LoopTestAdptr* victim = new LoopTestAdptr(-1);
        int victimServed = -1;
        victim->onRevents = [&](LoopTestAdptr* self, hv::pollfd*) {
            victimServed = self->served;
            return BasePollAdptr::NOWORK;
        };
        auto killer = NewAdptr(-1);
        auto strike = [&pm, victim] { pm.DeRegister(victim); };
        if (c.fromPopulate)
            killer->onPopulate = [strike](LoopTestAdptr*) { strike(); };
        else
            killer->onRevents = [strike](LoopTestAdptr*, hv::pollfd*) {
                strike();
                return BasePollAdptr::DIDWORK;
            };
        if (c.victimFirst) pm.Register(LoopTestAdptrPtr(victim));
        pm.Register(killer);
        if (!c.victimFirst) pm.Register(LoopTestAdptrPtr(victim));
        EXPECT_EQ(LoopTestAdptr::Live(), 2);
        pm.PollForWork(0);
        EXPECT_EQ(victimServed == -1 ? 0 : victimServed, c.victimServed);
        EXPECT_EQ(LoopTestAdptr::Live(), 1);  // the victim went when the poll ended
        EXPECT_EQ(pm.GetPollAdptrLst().GetItemCnt(), 1);
        // The emptied entry was never ready.
        if (!c.victimFirst && c.fromPopulate) {
            EXPECT_EQ(pm.GetPollfdPtr()[1].fd, -1);
        }
        pm.DeRegister(killer.GetPtr());
    }
}

TEST_F(PollManagerTest, AnAdapterRegisteredDuringAPollJoinsTheNextOne) {
    PollManager pm;
    auto late = NewAdptr(-1);
    auto first = NewAdptr(-1);
    first->onRevents = [&](LoopTestAdptr*, hv::pollfd*) {
        if (first->served == 1) pm.Register(late);
        return BasePollAdptr::NOWORK;
    };
    pm.Register(first);
    pm.PollForWork(0);
    EXPECT_EQ(late->served, 0);
    pm.PollForWork(0);
    EXPECT_EQ(late->served, 1);
    EXPECT_EQ(late->populated, 1);
    pm.DeRegisterAll();
    EXPECT_EQ(pm.GetPollAdptrLst().GetItemCnt(), 0);
}

TEST_F(PollManagerTest, TheManagerReleasesItsAdaptersAndAReleaseMayDeRegisterAnother) {
    auto* pm = new PollManager;
    LoopTestAdptr* second = new LoopTestAdptr(-1);
    LoopTestAdptr* third = new LoopTestAdptr(-1);
    {
        auto first = NewAdptr(-1);
        first->onDestroy = [pm, third] { EXPECT_EQ(pm->DeRegister(third), 1); };
        pm->Register(first);
        pm->Register(LoopTestAdptrPtr(second));
        pm->Register(LoopTestAdptrPtr(third));
    }
    EXPECT_EQ(LoopTestAdptr::Live(), 3);
    delete pm;
    EXPECT_EQ(LoopTestAdptr::Live(), 0);
}

TEST_F(PollManagerTest, IdleAdaptersAndAClosedDescriptorDoNotSpin) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int closed = ::dup(fds[0]);
    ::close(closed);
    PollManager pm;
    std::vector<LoopTestAdptrPtr> held;
    for (int i = 0; i < 64; ++i) {
        held.push_back(NewAdptr(i == 7 ? closed : fds[0]));
        pm.Register(held.back());
    }
    const unsigned long waits = portlib::platform::GetPollWaitCount();
    polltest::Stopwatch sw;
    EXPECT_EQ(pm.PollForWork(500), BasePollAdptr::NOWORK);
    EXPECT_GE(sw.ElapsedMs(), 495);
    // The closed descriptor is left out of the wait: one wait in the kernel.
    EXPECT_EQ(portlib::platform::GetPollWaitCount() - waits, 1u);
    for (auto& a : held) EXPECT_EQ(a->served, 1);
    pm.DeRegisterAll();
    ::close(fds[0]);
    ::close(fds[1]);
}

// The kind of each descriptor (the system calls that find it) is learned
// once per registration, not in every poll; a new descriptor of the same
// adapter, or a new registration, is learned again.
TEST_F(PollManagerTest, EachDescriptorsKindIsLearnedOncePerRegistration) {
    constexpr int kAdapters = 8;
    std::vector<polltest::TcpPair> conns(kAdapters);
    PollManager pm;
    std::vector<LoopTestAdptrPtr> held;
    for (auto& c : conns) {
        (void)!::write(c.server, "x", 1);  // ready in every poll: nothing reads it
        held.push_back(NewAdptr(c.client));
        pm.Register(BasePollAdptrPtr(held.back()));
    }
    const unsigned long before = portlib::platform::GetFdKindLookupCount();
    for (int turn = 0; turn < 50; ++turn) ASSERT_EQ(pm.PollForWork(0), BasePollAdptr::DIDWORK);
    EXPECT_EQ(portlib::platform::GetFdKindLookupCount() - before, static_cast<unsigned long>(kAdapters));
    for (auto& a : held) EXPECT_EQ(a->lastRevents, POLLIN);

    held[0]->fd = conns[0].server;  // another descriptor
    pm.DeRegister(held[1].GetPtr());
    pm.Register(BasePollAdptrPtr(held[1]));
    for (int turn = 0; turn < 10; ++turn) pm.PollForWork(0);
    EXPECT_EQ(portlib::platform::GetFdKindLookupCount() - before, static_cast<unsigned long>(kAdapters + 2));
    pm.DeRegisterAll();
}

}  // namespace

namespace {

TEST(BasePollAdptrTest, TheBaseAdapterDoesNothingAndItsResultsHaveNames) {
    BasePollAdptr base;
    hv::pollfd p{-1, 0, 0};
    base.PopulatePollInfo(&p);
    EXPECT_EQ(p.fd, -1);
    p.revents = POLLIN;
    EXPECT_EQ(base.ProcessRevents(&p), BasePollAdptr::NOWORK);
    EXPECT_EQ(BasePollAdptr::ClassCode, 11);
    BaseEnumCvtPtr cvt = BasePollAdptr::GetEnWorkCvtPtr();
    ASSERT_NE(cvt.GetPtr(), nullptr);
    EXPECT_STREQ(cvt->GetStr(BasePollAdptr::NOWORK), "NOWORK");
    EXPECT_STREQ(cvt->GetStr(BasePollAdptr::DIDWORK), "DIDWORK");
}

}  // namespace

namespace {

struct SeqPairs {
    std::vector<std::array<int, 2>> fds;
    explicit SeqPairs(int n) : fds(static_cast<size_t>(n)) {
        for (auto& p : fds) {
            int sv[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sv) != 0) std::abort();
            p = {sv[0], sv[1]};
        }
    }
    ~SeqPairs() {
        for (auto& p : fds) {
            ::close(p[0]);
            ::close(p[1]);
        }
    }
};

class PollManagerTelling : public PollManagerTest {};

// A telling adapter that reads one byte of fd whenever the poll says it may.
LoopTestAdptrPtr OneByteReader(int fd) {
    auto reader = NewAdptr(fd, POLLIN);
    reader->tells = 1;
    reader->onRevents = [fd](LoopTestAdptr*, hv::pollfd* p) {
        char c;
        if ((p->revents & POLLIN) && ::recv(fd, &c, 1, MSG_DONTWAIT) == 1) return BasePollAdptr::DIDWORK;
        return BasePollAdptr::NOWORK;
    };
    return reader;
}

TEST_F(PollManagerTelling, AskedOnlyAfterAChangeAndServedOnlyWithNews) {
    SeqPairs pairs(50);
    PollManager pm;
    std::vector<LoopTestAdptrPtr> idle;
    for (auto& p : pairs.fds) {
        idle.push_back(NewAdptr(p[0], POLLIN));
        idle.back()->tells = 1;
        pm.Register(idle.back());
    }
    auto everyPoll = NewAdptr(-1);
    pm.Register(everyPoll);
    for (int poll = 1; poll <= 3; ++poll) {
        EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::NOWORK);
        EXPECT_EQ(everyPoll->populated, poll);
        EXPECT_EQ(everyPoll->served, poll);
    }
    for (auto& a : idle) {
        EXPECT_EQ(a->populated, 1) << "asked once, when it registered";
        EXPECT_EQ(a->served, 0) << "no news, nothing to serve";
    }

    std::size_t w = 0;
    portlib::platform::PipeWrite(pairs.fds[7][1], "x", 1, &w);
    EXPECT_EQ(pm.PollForWork(10000), BasePollAdptr::DIDWORK);
    for (size_t i = 0; i < idle.size(); ++i) EXPECT_EQ(idle[i]->served, i == 7 ? 1 : 0) << i;
    EXPECT_EQ(idle[7]->lastRevents, POLLIN);

    // A change of its entry counts once the adapter tells it.
    idle[3]->events = POLLIN | POLLOUT;
    pm.PollForWork(0);
    EXPECT_EQ(idle[3]->served, 0) << "not told yet";
    idle[3]->InterestChanged();
    EXPECT_EQ(pm.PollForWork(0), BasePollAdptr::DIDWORK);
    EXPECT_EQ(idle[3]->populated, 2);
    EXPECT_EQ(idle[3]->lastRevents, POLLOUT);
    pm.DeRegisterAll();
}

// A pipe is taken to be writable; once a write would block, the kernel is
// asked, and the adapter is not served again until the pipe takes bytes.
TEST_F(PollManagerTelling, AWriterThatWouldBlockWaitsForThePipeToDrain) {
    SeqPairs pair(1);
    const int mine = pair.fds[0][0], peer = pair.fds[0][1];
    PollManager pm;
    auto writer = NewAdptr(mine, POLLOUT);
    writer->tells = 1;
    const std::string block(4096, 'w');
    int wouldBlock = 0;
    writer->onRevents = [&](LoopTestAdptr*, hv::pollfd* p) {
        if (!(p->revents & POLLOUT)) return BasePollAdptr::NOWORK;
        if (::send(mine, block.data(), block.size(), MSG_DONTWAIT | MSG_NOSIGNAL) > 0) return BasePollAdptr::DIDWORK;
        ++wouldBlock;
        return BasePollAdptr::NOWORK;
    };
    pm.Register(writer);
    for (int i = 0; i < 100000 && wouldBlock == 0; ++i) pm.PollForWork(0);
    ASSERT_EQ(wouldBlock, 1);
    const int served = writer->served;
    EXPECT_EQ(pm.PollForWork(200), BasePollAdptr::NOWORK);
    EXPECT_EQ(writer->served, served) << "a full pipe is not offered again";

    char buf[8192];
    while (::recv(peer, buf, sizeof buf, MSG_DONTWAIT) > 0) {
    }
    EXPECT_EQ(pm.PollForWork(10000), BasePollAdptr::DIDWORK);
    EXPECT_EQ(writer->served, served + 1);
    EXPECT_EQ(wouldBlock, 1);
    pm.DeRegisterAll();
}

// A writer that always has more to write does not hold back news on another
// descriptor for more than a few polls, and is served in every one of them.
TEST_F(PollManagerTelling, AWriterWithMoreToWriteDoesNotHideAnotherPipesNews) {
    SeqPairs pairs(2);
    const int out = pairs.fds[0][0], outPeer = pairs.fds[0][1];
    const int in = pairs.fds[1][0], inPeer = pairs.fds[1][1];
    PollManager pm;
    auto writer = NewAdptr(out, POLLOUT);
    writer->tells = 1;
    writer->onRevents = [&](LoopTestAdptr*, hv::pollfd* p) {
        if (!(p->revents & POLLOUT)) return BasePollAdptr::NOWORK;
        char drained[16];
        while (::recv(outPeer, drained, sizeof drained, MSG_DONTWAIT) > 0) {
        }
        return ::send(out, "w", 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1 ? BasePollAdptr::DIDWORK
                                                                      : BasePollAdptr::NOWORK;
    };
    auto reader = OneByteReader(in);
    pm.Register(writer);
    pm.Register(reader);
    for (int round = 0; round < 20; ++round) {
        // The news comes at every point of the cycle of looks at the kernel.
        for (int i = 0; i < round % PollManager::PollsPerKernelLook; ++i) pm.PollForWork(0);
        const int readerBefore = reader->served;
        const int writerBefore = writer->served;
        ASSERT_EQ(::send(inPeer, "r", 1, MSG_NOSIGNAL), 1);
        int polls = 0;
        while (reader->served == readerBefore && polls < 100) {
            pm.PollForWork(0);
            ++polls;
        }
        EXPECT_LE(polls, PollManager::PollsPerKernelLook) << "round " << round;
        EXPECT_EQ(writer->served - writerBefore, polls) << "the writer is served in every poll";
    }
    pm.DeRegisterAll();
}

// An adapter that expects input is served for it in every poll without the
// kernel's word, keeps the loop from waiting only while it expects it, and
// does not hide another pipe's news for more than a few polls.
TEST_F(PollManagerTelling, AnAdapterThatExpectsInputIsServedWithoutNewsUntilItSaysOtherwise) {
    SeqPairs pairs(2);
    const int in = pairs.fds[1][0], inPeer = pairs.fds[1][1];
    PollManager pm;
    int expectFor = 0;  // serves left that find input
    auto streamer = NewAdptr(pairs.fds[0][0], POLLIN);
    streamer->tells = 1;
    streamer->onRevents = [&](LoopTestAdptr* self, hv::pollfd* p) {
        if (!(p->revents & POLLIN)) return BasePollAdptr::NOWORK;
        if (expectFor > 0) --expectFor;
        self->ExpectInput(expectFor > 0);
        return expectFor > 0 ? BasePollAdptr::DIDWORK : BasePollAdptr::NOWORK;
    };
    auto reader = OneByteReader(in);
    pm.Register(streamer);
    pm.Register(reader);
    pm.PollForWork(0);
    EXPECT_TRUE(pm.NothingAtHand());

    expectFor = 1000;
    streamer->ExpectInput(true);
    EXPECT_FALSE(pm.NothingAtHand());
    for (int round = 0; round < 20; ++round) {
        const int readerBefore = reader->served, streamerBefore = streamer->served;
        ASSERT_EQ(::send(inPeer, "r", 1, MSG_NOSIGNAL), 1);
        int polls = 0;
        while (reader->served == readerBefore && polls < 100) {
            pm.PollForWork(0);
            ++polls;
            EXPECT_EQ(streamer->lastRevents, POLLIN);
        }
        EXPECT_LE(polls, PollManager::PollsPerKernelLook) << "round " << round;
        EXPECT_EQ(streamer->served - streamerBefore, polls) << "served for input in every poll";
    }
    // Once its read finds nothing, it is served only with news again.
    expectFor = 1;
    pm.PollForWork(0);
    EXPECT_FALSE(streamer->ExpectsInput());
    EXPECT_TRUE(pm.NothingAtHand());
    const int served = streamer->served;
    EXPECT_EQ(pm.PollForWork(50), BasePollAdptr::NOWORK);
    EXPECT_EQ(streamer->served, served);
    // A de-registered adapter expects nothing of the manager.
    streamer->ExpectInput(true);
    pm.DeRegister(streamer.GetPtr());
    EXPECT_FALSE(streamer->ExpectsInput());
    EXPECT_TRUE(pm.NothingAtHand());
    pm.DeRegisterAll();
}

}  // namespace
