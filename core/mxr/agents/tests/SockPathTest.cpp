// Paths in one socket agent world over loopback: a path whose remote alias
// is this system itself connects to its own listener, so both of its heads
// (inbound and outbound) live in the one world. This system is "localhost";
// paths connect to "127.0.0.1", so the name the peer gives itself differs
// from the path's alias, as it may between two systems. Strangers are raw
// TCP clients speaking the agents' packet format.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BaseAddr.h"
#include "SOCKCAMsgRcvr.h"
#include "SOCKCAMsgRcvrAddHostSM.h"
#include "SOCKCASetUpListenSM.h"
#include "SOCKCAWorld.h"
#include "SOCKConnectPollAdptr.h"
#include "SOCKListenPollAdptr.h"
#include "SOCKPipeHead.h"
#include "SOCKPipePollAdptr.h"
#include "SetUpRetryDelay.h"
#include "PipeDeRegMsg.h"
#include "PipeHeartBeatMsg.h"
#include "PipeInitMsg.h"
#include "PipeRegMsg.h"
#include "SockPeerTable.h"
#include "SockTestSupport.h"
#include "platform/tests/TempSystemDir.h"

namespace {

unsigned short FreePort() {
    LoopbackListener l;
    return l.port;  // closed again when l goes
}

// A socket connected to 127.0.0.1:port (blocking), or -1 with errno set.
int ConnectLoopback(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return fd;
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
}

// 0 when a connect to 127.0.0.1:port is accepted (by the kernel), else errno.
int ConnectOutcome(unsigned short port) {
    const int fd = ConnectLoopback(port);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

// A TCP client of 127.0.0.1:port leaving from the address from (127.x.y.z),
// blocking; -1 when the connect failed.
int ConnectFrom(const char* from, unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string& bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Whether the agent closed fd's connection: what it sent read and dropped,
// then the end of the stream (or a reset) within ms.
bool ClosedByPeer(int fd, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buf[2048];
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) != 1) continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0 && !(n < 0 && errno == EAGAIN)) return true;
    }
    return false;
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

BaseMsgPtr Init(const char* host, long pid) { return BaseMsgPtr(new PipeInitMsg(bStr(host), pid, pid, 512)); }

class SockPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("MXRHOSTNAME", "localhost", 1);
        BaseAddr::SetCurrentHost(bStr("localhost"));
        BaseWorld::SetDispatchReadyFlg(1);
        world.SetDfltPollTimer(20);
        world.StartReceiver();
        rcvr = world.GetSockCAMsgRcvrPtr();
    }
    void TearDown() override { BaseWorld::SetDispatchReadyFlg(0); }

    // Runs the loop until pred holds or ms pass; pred's last answer.
    bool RunUntil(const std::function<bool()>& pred, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            world.Run();
        }
        return true;
    }
    void RunFor(int ms, const std::function<void()>& each = {}) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            world.Run();
            if (each) each();
        }
    }
    template <class APtr>
    int Count() {
        int n = 0;
        BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
            if (APtr{BasePtr(a.GetPtr())}.Ok()) ++n;
        return n;
    }
    SOCKPipeHeadPtr Head(SOCKPipeHead::enDir dir, const bStr& device) {
        BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
            const SOCKPipePollAdptrPtr sp{BasePtr(a.GetPtr())};
            if (!sp.Ok()) continue;
            const SOCKPipeHeadPtr h{BasePtr(sp->GetPipeHeadPtr().GetPtr())};
            if (h.Ok() && h->GetInOrOut() == dir && h->GetDevicePath() == device) return h;
        }
        return SOCKPipeHeadPtr();
    }
    DestHostEntPtr Path(unsigned short port, int hbInterval = 1, int hbMaxMiss = 2) {
        device = bStr(("TCPIP:" + std::to_string(port)).c_str());
        return DestHostEntPtr(new DestHostEnt(bStr("127.0.0.1"), 3, bStr(), device, bStr("localhost"), hbInterval,
                                              hbMaxMiss, 0));
    }
    // A listen on a free port for a path to the system peer at 127.0.0.1,
    // without the path's connect.
    unsigned short ListenFor(const char* peer, int hbInterval = 1, int hbMaxMiss = 2) {
        const unsigned short port = FreePort();
        device = bStr(("TCPIP:" + std::to_string(port)).c_str());
        SockPeerAdd(device, bStr("127.0.0.1"), bStr(peer));
        SOCKCASetUpListenSMPtr listen(
            new SOCKCASetUpListenSM(bStr("localhost"), world.GetSockNetConfig(), device, 0, hbInterval, hbMaxMiss));
        listen->KickStart();
        EXPECT_TRUE(RunUntil([&] { return Count<SOCKListenPollAdptrPtr>() == 1; }, 3000));
        return port;
    }
    int CountIn() {
        int n = 0;
        BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
            const SOCKPipeHeadPtr h = SockHeadOf(a);
            if (h.Ok() && h->GetInOrOut() == SOCKPipeHead::__IN) ++n;
        }
        return n;
    }
    std::string EventLog() const {
        std::ifstream f(sys.Path() + "/log/eventlog");
        std::stringstream text;
        text << f.rdbuf();
        return text.str();
    }
    // Both heads of the path up: the outbound one has the peer's PipeInitMsg,
    // the inbound one counts the peer ALIVE.
    bool PathUp() {
        const SOCKPipeHeadPtr in = Head(SOCKPipeHead::__IN, device);
        const SOCKPipeHeadPtr out = Head(SOCKPipeHead::__OUT, device);
        return in.Ok() && out.Ok() && out->GetGotInit() != 0 && in->GetHbStatus() == PipeHead::ALIVE;
    }

    // A live path with interval 1 s and 2 misses: any stall of the loop near
    // 2 s would make its inbound head declare the peer DEAD. Its device,
    // empty when it did not come up.
    bStr LiveWatchedPath(DestHostEntPtr* path) {
        *path = Path(FreePort(), 1, 2);
        if (rcvr->AddHost(*path) != 0 || !RunUntil([&] { return PathUp(); }, 5000)) return bStr();
        return device;
    }
    // Runs the loop for ms: the turns in which in did not count its peer ALIVE.
    int TurnsNotAlive(const SOCKPipeHeadPtr& in, int ms) {
        int turns = 0;
        RunFor(ms, [&] {
            if (in->GetHbStatus() != PipeHead::ALIVE) ++turns;
        });
        return turns;
    }

    hvtest::TempSystemDir sys;
    SOCKCAWorld world{bStr(), bStr("TCPIP"), 6, 5};
    SOCKCAMsgRcvrPtr rcvr;
    bStr device;
};

TEST_F(SockPathTest, APathComesUpAndDeleteHostClosesBothDirectionsForGood) {
    const unsigned short port = FreePort();
    const DestHostEntPtr path = Path(port);
    ASSERT_EQ(rcvr->AddHost(path), 0);
    ASSERT_TRUE(RunUntil([&] { return PathUp(); }, 5000));
    const SOCKPipeHeadPtr out = Head(SOCKPipeHead::__OUT, device);
    EXPECT_EQ(out->GetRemHostName(), "localhost") << "the peer's own name, for routes and reports";
    EXPECT_EQ(out->GetPathRemoteAlias(), "127.0.0.1") << "the path's alias, for reconnect and delete";
    EXPECT_EQ(out->GetComPriority(), 3);
    EXPECT_EQ(Head(SOCKPipeHead::__IN, device)->GetComPriority(), 0);
    EXPECT_EQ(GetAddHostSMLst().GetItemCnt(), 0);
    EXPECT_EQ(GetSetUpListenSMLst().GetItemCnt(), 0);

    // Found by the path's alias although the peer calls itself otherwise.
    EXPECT_EQ(rcvr->DeleteHost(path), 0);
    RunFor(300);
    EXPECT_EQ(Count<SOCKPipePollAdptrPtr>(), 0);
    EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 0);
    EXPECT_EQ(Count<SOCKConnectPollAdptrPtr>(), 0);
    EXPECT_EQ(GetAddHostSMLst().GetItemCnt(), 0) << "no reconnect after a delete";
    EXPECT_EQ(GetSetUpListenSMLst().GetItemCnt(), 0);
    EXPECT_EQ(ConnectOutcome(port), ECONNREFUSED) << "the port is closed";
}

TEST_F(SockPathTest, DeleteHostCountsWhatItClosed) {
    // Never added: nothing found.
    EXPECT_EQ(rcvr->DeleteHost(Path(FreePort())), -1);
    // Only a listen (one of two): -1, and the listen is closed all the same.
    const unsigned short port = ListenFor("localhost");
    const DestHostEntPtr path = Path(port);
    EXPECT_EQ(ConnectOutcome(port), 0);
    RunFor(100);
    // That connect was taken as the path's inbound connection: a silent one.
    EXPECT_EQ(rcvr->DeleteHost(path), -1);
    RunFor(100);
    EXPECT_EQ(ConnectOutcome(port), ECONNREFUSED);
}

TEST_F(SockPathTest, AHangUpTearsDownBothDirectionsAndThePathComesBackThenDeletes) {
    const unsigned short port = FreePort();
    const DestHostEntPtr path = Path(port);
    ASSERT_EQ(rcvr->AddHost(path), 0);
    ASSERT_TRUE(RunUntil([&] { return PathUp(); }, 5000));
    const SOCKPipeHeadPtr oldIn = Head(SOCKPipeHead::__IN, device);
    const SOCKPipeHeadPtr oldOut = Head(SOCKPipeHead::__OUT, device);
    // The inbound connection breaks: its partner goes on its next turn, a
    // listen and a connect start again, the path comes back.
    SOCKPipePollAdptrPtr{oldIn->GetPollAdptrPtr()}->ProcessDisconnect();
    ASSERT_TRUE(RunUntil(
        [&] {
            return PathUp() && Head(SOCKPipeHead::__IN, device).GetPtr() != oldIn.GetPtr() &&
                   Head(SOCKPipeHead::__OUT, device).GetPtr() != oldOut.GetPtr();
        },
        5000));
    EXPECT_EQ(oldOut->GetFileDscrpt(), -1) << "the partner connection was closed";
    // A delete after the re-listen still finds everything of the path.
    EXPECT_EQ(rcvr->DeleteHost(path), 0);
    RunFor(200);
    EXPECT_EQ(Count<SOCKPipePollAdptrPtr>() + Count<SOCKListenPollAdptrPtr>() + Count<SOCKConnectPollAdptrPtr>(), 0);
    EXPECT_EQ(ConnectOutcome(port), ECONNREFUSED);
}

TEST_F(SockPathTest, ARefusedConnectBuildsNoPipeAndWaitsBeforeTheNextTry) {
    const unsigned short port = FreePort();
    SOCKCAMsgRcvrAddHostSMPtr sm(new SOCKCAMsgRcvrAddHostSM(bStr("127.0.0.1"), world.GetSockNetConfig(),
                                                           bStr(("TCPIP:" + std::to_string(port)).c_str()), 0, 1, 2, 0));
    sm->KickStart();
    // The refusal: writable and in error at once on Linux.
    ASSERT_TRUE(RunUntil(
        [&] {
            return Count<SOCKConnectPollAdptrPtr>() == 0 && GetAddHostSMLst().GetItemCnt() == 1 &&
                   SOCKCAMsgRcvrAddHostSMPtr{GetAddHostSMLst().GetLast()}->GetInitialDelay() == 1;
        },
        3000));
    EXPECT_EQ(Count<SOCKPipePollAdptrPtr>(), 0) << "no pipe on a dead socket";
    const SOCKCAMsgRcvrAddHostSMPtr next{GetAddHostSMLst().GetLast()};
    EXPECT_TRUE(next->GetTimerTagPtr().Ok()) << "the next try waits for its timer";
    EXPECT_EQ(next->GetTriedOnce(), 0);
    EXPECT_EQ(next->GetLastRetryMs(), SockNetConfig::FirstRetryMs()) << "the first wait is the short one";
    // Refused again: the wait doubles.
    ASSERT_TRUE(RunUntil(
        [&] {
            return GetAddHostSMLst().GetItemCnt() == 1 && GetAddHostSMLst().GetLast().GetPtr() != next.GetPtr() &&
                   Count<SOCKConnectPollAdptrPtr>() == 0;
        },
        static_cast<int>(SockNetConfig::FirstRetryMs()) + 5000));
    EXPECT_EQ(SOCKCAMsgRcvrAddHostSMPtr{GetAddHostSMLst().GetLast()}->GetLastRetryMs(),
              2 * SockNetConfig::FirstRetryMs());
}

TEST(SockSetUpRetry, WaitsStartShortDoubleAndNeverPassTheBound) {
    struct Case {
        unsigned last, first, bound, want;
    };
    const Case cases[] = {
        {0, 1000, 30000, 1000},      // the first wait
        {1000, 1000, 30000, 2000},   // doubled
        {8000, 1000, 30000, 16000},
        {16000, 1000, 30000, 30000},  // not past the bound
        {30000, 1000, 30000, 30000},  // and stays there
        {0, 5000, 3000, 3000},        // a first wait above the bound is the bound
        {0xF0000000u, 1, 0xFFFFFFFFu, 0xFFFFFFFFu},  // no overflow
        {10, 100, 30000, 100},        // never below the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.last) + " " + std::to_string(c.first) + " " + std::to_string(c.bound));
        EXPECT_EQ(NextSetUpRetryMs(c.last, c.first, c.bound), c.want);
    }
    // Every chain reaches the bound and stays there.
    unsigned w = 0;
    for (int i = 0; i < 40; ++i) {
        w = NextSetUpRetryMs(w, SockNetConfig::FirstRetryMs(), SockNetConfig::RetryMs());
        ASSERT_LE(w, SockNetConfig::RetryMs());
    }
    EXPECT_EQ(w, SockNetConfig::RetryMs());
}

TEST_F(SockPathTest, APeerWhoseInitArrivesIsConnectedToAtOnceNotAfterTheWait) {
    const unsigned short port = FreePort();
    device = bStr(("TCPIP:" + std::to_string(port)).c_str());
    // The path's peer is this system at 127.0.0.1 (its agent calls itself
    // "localhost").
    SockPeerAdd(device, bStr("127.0.0.1"), bStr("localhost"));
    // A connect set-up that waits the longest wait before its next try.
    SOCKCAMsgRcvrAddHostSMPtr waiting(new SOCKCAMsgRcvrAddHostSM(bStr("127.0.0.1"), world.GetSockNetConfig(), device,
                                                                0, 1, 2, 1, SockNetConfig::RetryMs()));
    waiting->KickStart();
    ASSERT_TRUE(waiting->GetTimerTagPtr().Ok());
    ASSERT_EQ(waiting->GetLastRetryMs(), SockNetConfig::RetryMs());
    // A connect set-up of another path (another port) is not touched.
    const bStr otherDevice(("TCPIP:" + std::to_string(FreePort())).c_str());
    SOCKCAMsgRcvrAddHostSMPtr other(new SOCKCAMsgRcvrAddHostSM(bStr("127.0.0.1"), world.GetSockNetConfig(),
                                                              otherDevice, 0, 1, 2, 1, SockNetConfig::RetryMs()));
    other->KickStart();
    SOCKCASetUpListenSMPtr listen(new SOCKCASetUpListenSM(bStr("localhost"), world.GetSockNetConfig(), device, 0, 1, 2));
    listen->KickStart();
    ASSERT_TRUE(RunUntil([&] { return Count<SOCKListenPollAdptrPtr>() == 1; }, 3000));
    // The peer's agent connects (from 127.0.0.1, calling itself "localhost")
    // and sends its PipeInitMsg.
    const int peerFd = ConnectLoopback(port);
    ASSERT_GE(peerFd, 0);
    SockRecordingHeadPtr peer(new SockRecordingHead(peerFd));
    ASSERT_EQ(peer->Initialize(), 0);
    ASSERT_TRUE(RunUntil([&] { return Head(SOCKPipeHead::__IN, device).Ok() &&
                                      Head(SOCKPipeHead::__IN, device)->GetHbStatus() == PipeHead::ALIVE; },
                         5000));
    // Far inside the 30 s wait: the waiting set-up has tried, and its
    // connect gets through to the listen, which stays open.
    EXPECT_EQ(waiting->GetTriedOnce(), 1) << "the waiting set-up has tried";
    ASSERT_TRUE(RunUntil(
        [&] {
            const SOCKPipeHeadPtr out = Head(SOCKPipeHead::__OUT, device);
            return out.Ok() && out->GetGotInit() != 0;
        },
        5000));
    EXPECT_TRUE(other->GetTimerTagPtr().Ok()) << "another path's set-up keeps waiting";
    EXPECT_EQ(other->GetTriedOnce(), 0);
    peer->HupDetected();
    std::vector<SOCKPipeHeadPtr> heads;
    BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
        if (const SOCKPipeHeadPtr h = SockHeadOf(a); h.Ok() && h->GetDevicePath() == device) heads.push_back(h);
    for (const SOCKPipeHeadPtr& h : heads) h->HupDetected();
    for (BasePtr sm; (sm = GetAddHostSMLst().GetLast()).GetPtr() != nullptr;) {
        SOCKCAMsgRcvrAddHostSMPtr{sm}->CleanUp();
        GetAddHostSMLst().RemoveItem(sm);
    }
}

TEST_F(SockPathTest, ASilentConnectionHoldsNothingAndIsDroppedInTime) {
    const unsigned short port = ListenFor("localhost", 1, 1);
    const DestHostEntPtr path = Path(port, 1, 1);
    const int silent = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(silent, 0);
    ASSERT_TRUE(RunUntil([&] { return CountIn() == 1; }, 3000)) << "the connection was taken";
    EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 1) << "the listen stays open";
    // The path's own connect gets through while the silent one still holds
    // its connection.
    SOCKCAMsgRcvrAddHostSMPtr connect(
        new SOCKCAMsgRcvrAddHostSM(bStr("127.0.0.1"), world.GetSockNetConfig(), device, 0, 1, 1, 0));
    connect->KickStart();
    ASSERT_TRUE(RunUntil([&] { return PathUp(); }, 5000));
    // Interval 1 s x 1 miss: the silent one goes after about a second; the
    // path stays up.
    bool closed = false;
    ASSERT_TRUE(RunUntil([&] { return CountIn() == 1 && (closed = ClosedByPeer(silent, 1)); }, 5000));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(PathUp());
    ::close(silent);
    EXPECT_EQ(rcvr->DeleteHost(path), 0);
}

TEST_F(SockPathTest, AConnectionFromAnAddressWithoutAPathIsClosedAtOnceWithAReport) {
    const unsigned short port = FreePort();
    const DestHostEntPtr path = Path(port);
    ASSERT_EQ(rcvr->AddHost(path), 0);
    ASSERT_TRUE(RunUntil([&] { return PathUp(); }, 5000));
    const int stranger = ConnectFrom("127.0.0.2", port);
    ASSERT_GE(stranger, 0);
    SendAll(stranger, PipeBytesOf(Init("localhost", 4242)));
    bool closed = false;
    ASSERT_TRUE(RunUntil([&] { return closed = ClosedByPeer(stranger, 1); }, 3000));
    ::close(stranger);
    const std::string log = EventLog();
    EXPECT_EQ(CountOf(log, "from 127.0.0.2:"), 1u) << log;
    EXPECT_EQ(CountIn(), 1) << "only the path's own inbound connection";
    EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 1);
    EXPECT_TRUE(PathUp());
    EXPECT_EQ(rcvr->DeleteHost(path), 0);
}

TEST_F(SockPathTest, APipeInitMsgMustNameTheSystemOfThePathAtThatAddress) {
    struct Case {
        const char* name;
        bool taken;
    };
    for (const Case c : {Case{"SYSX", false}, Case{"localhost", false}, Case{"", false}, Case{"PEER", true},
                         Case{"peer", true}}) {
        SCOPED_TRACE(c.name);
        const unsigned short port = ListenFor("PEER");
        const int fd = ConnectFrom("127.0.0.1", port);
        ASSERT_GE(fd, 0);
        SendAll(fd, PipeBytesOf(Init(c.name, 4242)));
        if (c.taken) {
            ASSERT_TRUE(RunUntil(
                [&] {
                    const SOCKPipeHeadPtr in = Head(SOCKPipeHead::__IN, device);
                    return in.Ok() && in->GetHbStatus() == PipeHead::ALIVE;
                },
                3000));
            EXPECT_EQ(Head(SOCKPipeHead::__IN, device)->GetRemHostName(), c.name);
        } else {
            bool closed = false;
            ASSERT_TRUE(RunUntil([&] { return closed = ClosedByPeer(fd, 1); }, 3000));
            EXPECT_NE(EventLog().find(std::string("introduced itself as ") + c.name + ","), std::string::npos);
            EXPECT_EQ(CountIn(), 0);
        }
        EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 1) << "the listen is not disturbed";
        ::close(fd);
        EXPECT_EQ(rcvr->DeleteHost(DestHostEntPtr(
                      new DestHostEnt(bStr("127.0.0.1"), 0, bStr(), device, bStr("PEER"), 1, 2, 0))),
                  -1) << "a listen only";
        RunFor(50);
    }
}

TEST_F(SockPathTest, APeerAnnouncesOnlyItsOwnRoutesAndNeverAboveTheConnection) {
    const unsigned short port = ListenFor("PEER");
    const int fd = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(fd, 0);
    const auto reg = [](const char* host, long pid, int prio) {
        return PipeBytesOf(BaseMsgPtr(new PipeRegMsg(bStr(host), pid, pid, prio)));
    };
    // Before it has introduced itself nothing is taken.
    SendAll(fd, reg("PEER", 7, 0) + PipeBytesOf(Init("PEER", 4242)) + reg("localhost", 0, 99) + reg("SYSX", 0, 1) +
                    reg("PEER", 0, 99) + reg("PEER", 77, 1) +
                    PipeBytesOf(BaseMsgPtr(new PipeDeRegMsg(bStr("localhost"), 0, 0, 0))) +
                    PipeBytesOf(Init("SYSX", 1)));
    SOCKPipeHeadPtr in;
    ASSERT_TRUE(RunUntil(
        [&] {
            in = Head(SOCKPipeHead::__IN, device);
            return in.Ok() && in->GetAddrEntLst().GetItemCnt() >= 4;
        },
        3000));
    RunFor(200);
    EXPECT_EQ(in->GetRemHostName(), "PEER");
    std::vector<std::string> routes;
    BaseAddrEntLstIter it(in->GetAddrEntLst());
    for (BaseAddrEntPtr row = it.First(); row.GetPtr() != nullptr; row = it.Next()) {
        routes.push_back(std::string(static_cast<const char*>(row->GetHost())) + "/" + std::to_string(row->GetPid()) +
                         "/" + std::to_string(row->GetComPriority()));
    }
    std::sort(routes.begin(), routes.end());
    // The init's own address, the peer system as a whole (twice: the head's
    // own and the announced one), and its process 77; all at priority 0.
    EXPECT_EQ(routes, (std::vector<std::string>{"PEER/0/0", "PEER/0/0", "PEER/4242/0", "PEER/77/0"}));
    const std::string log = EventLog();
    EXPECT_NE(log.find("PipeRegMsg for host localhost"), std::string::npos) << log;
    EXPECT_NE(log.find("PipeRegMsg for host SYSX"), std::string::npos) << log;
    EXPECT_NE(log.find("PipeDeRegMsg for host localhost"), std::string::npos) << log;
    EXPECT_NE(log.find("PipeRegMsg for host PEER on " + std::string(static_cast<const char*>(device)) +
                       " refused - the peer is not introduced yet"),
              std::string::npos)
        << log;
    ::close(fd);
}

// An introduced peer that floods packets that are no message and routes it
// may not announce: each kind is reported once and then by its count as it
// doubles, never a line per packet, and the connection serves on.
TEST_F(SockPathTest, AnIntroducedPeerThatFloodsFillsTheLogByDoublingsAndServesOn) {
    const unsigned short port = ListenFor("PEER");
    const int fd = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(fd, 0);
    SendAll(fd, PipeBytesOf(Init("PEER", 4242)));
    SOCKPipeHeadPtr in;
    ASSERT_TRUE(RunUntil(
        [&] {
            in = Head(SOCKPipeHead::__IN, device);
            return in.Ok() && in->GetGotInit() != 0;
        },
        3000));
    constexpr int kEach = 1000;
    std::string flood;
    const std::string badRoute = PipeBytesOf(BaseMsgPtr(new PipeRegMsg(bStr("localhost"), 0, 0, 1)));
    for (int i = 0; i < kEach; ++i)
        flood += StreamPacket(std::string(512, '\0'), static_cast<unsigned short>(i + 2)) + badRoute;
    // A route it may announce, behind the flood.
    flood += PipeBytesOf(BaseMsgPtr(new PipeRegMsg(bStr("PEER"), 77, 77, 0)));
    const std::string logBefore = EventLog();
    testing::internal::CaptureStderr();
    std::thread writer([&] { SendAll(fd, flood); });
    const bool counted = RunUntil([&] { return in->GetPeerFaultCnt() >= 2u * kEach; }, 20000);
    const bool announced = RunUntil([&] { return in->GetAddrEntLst().GetItemCnt() >= 3; }, 5000);
    writer.join();
    const std::string reports = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(counted) << in->GetPeerFaultCnt() << " faults counted";
    EXPECT_TRUE(announced) << "the good route behind the flood was taken";
    const std::string events = EventLog().substr(logBefore.size());
    // 1000 faults of each kind: the first four, then the counts 8, 16, ..., 512.
    EXPECT_EQ(CountOf(reports, "message generation failed"), 11u) << reports.substr(0, 3000);
    EXPECT_EQ(CountOf(events, "PipeRegMsg for host localhost"), 11u) << events.substr(0, 3000);
    // (The route reports go to the error stream too.)
    EXPECT_EQ(CountOf(reports, "512 faults of this peer so far"), 2u) << reports.substr(0, 3000);
    EXPECT_NE(in->GetFileDscrpt(), -1) << "the introduced peer is not hung up";
    EXPECT_EQ(in->GetHbStatus(), PipeHead::ALIVE);
    ::close(fd);
}

TEST_F(SockPathTest, ANewerConnectionOfThePeerReplacesTheOlderOnceItIntroducesItself) {
    const unsigned short port = ListenFor("PEER");
    const int first = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(first, 0);
    SendAll(first, PipeBytesOf(Init("PEER", 1001)));
    ASSERT_TRUE(RunUntil([&] { return Head(SOCKPipeHead::__IN, device).Ok(); }, 3000));
    const SOCKPipeHeadPtr older = Head(SOCKPipeHead::__IN, device);
    const int second = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(second, 0) << "the listen stays open";
    ASSERT_TRUE(RunUntil([&] { return CountIn() == 2; }, 3000));
    RunFor(100);
    EXPECT_NE(older->GetFileDscrpt(), -1) << "nothing replaced before the newer one says who it is";
    SendAll(second, PipeBytesOf(Init("PEER", 1002)));
    bool closed = false;
    ASSERT_TRUE(RunUntil([&] { return closed = ClosedByPeer(first, 1); }, 3000));
    ASSERT_EQ(CountIn(), 1);
    EXPECT_EQ(Head(SOCKPipeHead::__IN, device)->GetRemPid(), 1002);
    EXPECT_EQ(Head(SOCKPipeHead::__IN, device)->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 1);
    ::close(first);
    ::close(second);
}

TEST_F(SockPathTest, ASquatterAtThePeersAddressCannotHoldThePath) {
    const unsigned short port = FreePort();
    const DestHostEntPtr path = Path(port);
    ASSERT_EQ(rcvr->AddHost(path), 0);
    ASSERT_TRUE(RunUntil([&] { return PathUp(); }, 5000));
    // It introduces itself as the peer's system and replaces the inbound
    // connection; the peer's outbound connection breaks with it, the peer
    // connects again and its newer connection replaces the squatter.
    const int squatter = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(squatter, 0);
    SendAll(squatter, PipeBytesOf(Init("localhost", 4242)));
    bool closed = false;
    ASSERT_TRUE(RunUntil([&] { return closed = ClosedByPeer(squatter, 1); }, 5000));
    ASSERT_TRUE(RunUntil(
        [&] { return PathUp() && Head(SOCKPipeHead::__IN, device)->GetRemPid() == static_cast<long>(::getpid()); },
        5000));
    EXPECT_EQ(CountIn(), 1);
    EXPECT_EQ(Count<SOCKListenPollAdptrPtr>(), 1);
    EXPECT_EQ(GetSetUpListenSMLst().GetItemCnt(), 0) << "the open listen is not set up again";
    ::close(squatter);
    EXPECT_EQ(rcvr->DeleteHost(path), 0);
}

TEST_F(SockPathTest, APeerThatNeverReadsDoesNotStallTheOtherPathsHeartbeats) {
    DestHostEntPtr pathA;
    const bStr deviceA = LiveWatchedPath(&pathA);
    ASSERT_GT(deviceA.StrLen(), 0);
    // Path B: connects to a listener that accepts nothing and reads nothing.
    LoopbackListener deaf;
    const bStr deviceB(("TCPIP:" + std::to_string(deaf.port)).c_str());
    SOCKCAMsgRcvrAddHostSMPtr sm(
        new SOCKCAMsgRcvrAddHostSM(bStr("127.0.0.1"), world.GetSockNetConfig(), deviceB, 0, 1, 2, 0));
    sm->KickStart();
    ASSERT_TRUE(RunUntil([&] { return Head(SOCKPipeHead::__OUT, deviceB).Ok(); }, 3000));
    const SOCKPipeHeadPtr stalled = Head(SOCKPipeHead::__OUT, deviceB);
    // Megabytes for the deaf peer.
    const std::string chunk(256 * 1024, 'm');
    for (int i = 0; i < 32; ++i) stalled->DfltMsgHdlr(BaseMsgPtr(new SockBulkMsg(BaseAddrPtr(), bStr(chunk.c_str()))), BasePktCtrlPtr());
    ASSERT_GT(stalled->GetTogoBytes(), std::size_t{4} << 20);
    EXPECT_EQ(TurnsNotAlive(Head(SOCKPipeHead::__IN, deviceA), 4000), 0) << "path A's heartbeats kept coming";
    EXPECT_GT(stalled->GetTogoBytes(), 0u) << "the deaf peer still has bytes waiting";
    EXPECT_TRUE(Head(SOCKPipeHead::__OUT, deviceB).Ok()) << "a slow peer is not hung up";
    const SOCKPipePollAdptrPtr b{stalled->GetPollAdptrPtr()};
    EXPECT_GT(b->GetUnsentBytes() + static_cast<int>(stalled->GetTogoPktLst().GetItemCnt()), 0);
    EXPECT_EQ(rcvr->DeleteHost(pathA), 0);
}

TEST_F(SockPathTest, APeerThatConnectsAndFloodsDoesNotStarveTheOtherPathsHeartbeats) {
    DestHostEntPtr pathA;
    const bStr deviceA = LiveWatchedPath(&pathA);
    ASSERT_GT(deviceA.StrLen(), 0);
    // Another path's listen, and a peer that connects to it and writes
    // packets as fast as it can, never a PipeInitMsg: from an address with
    // no path of that device (refused as it connects), and from the address
    // of the device's path (its packets are read before it is hung up).
    for (const bool atPathAddress : {false, true}) {
        SCOPED_TRACE(atPathAddress ? "at the path's address" : "at an address without a path");
        const unsigned short portB = FreePort();
        const bStr deviceB(("TCPIP:" + std::to_string(portB)).c_str());
        if (atPathAddress) SockPeerAdd(deviceB, bStr("127.0.0.1"), bStr("PEER"));
        SOCKCASetUpListenSMPtr listen(
            new SOCKCASetUpListenSM(bStr("localhost"), world.GetSockNetConfig(), deviceB, 0, 1, 2));
        listen->KickStart();
        const int listens = Count<SOCKListenPollAdptrPtr>();
        ASSERT_TRUE(RunUntil([&] { return Count<SOCKListenPollAdptrPtr>() == listens + 1; }, 3000));
        std::string burst;
        for (int i = 0; i < 100; ++i) burst += StreamPacket(std::string(512, '\0'), static_cast<unsigned short>(i + 1));
        std::atomic<bool> stop{false};
        std::atomic<long> written{0};
        std::atomic<int> connections{0};
        // It connects again as soon as it is hung up, while the listen is back.
        std::thread flood([&] {
            while (!stop) {
                const int fd = ConnectLoopback(portB);
                if (fd < 0) {
                    ::usleep(1000);
                    continue;
                }
                ++connections;
                // Never blocked for long: a connection nobody serves any more
                // (the loop stopped) must not keep the flooder.
                const timeval limit{0, 100000};
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                for (ssize_t n; !stop && (n = ::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL)) > 0;) written += n;
                ::close(fd);
            }
        });
        testing::internal::CaptureStderr();
        const int deadTurns = TurnsNotAlive(Head(SOCKPipeHead::__IN, deviceA), 3000);
        stop = true;
        flood.join();
        const std::string reports = testing::internal::GetCapturedStderr();
        const long lines = static_cast<long>(std::count(reports.begin(), reports.end(), '\n'));
        EXPECT_GT(written.load(), 0L) << "the flood went on";
        EXPECT_EQ(deadTurns, 0) << "path A's heartbeats kept coming";
        // The flooder is reported, a connection at a time, never a packet at
        // a time (it wrote thousands).
        EXPECT_GT(lines, 0L);
        EXPECT_LE(lines, 2L * connections.load()) << reports.substr(0, 2000);
        EXPECT_TRUE(PathUp());
    }
    EXPECT_EQ(rcvr->DeleteHost(pathA), 0);
}

}  // namespace
