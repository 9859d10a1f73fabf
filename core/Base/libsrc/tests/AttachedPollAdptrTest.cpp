// The manager's control-pipe listener in one process: raw clients connect to
// a test manager world on a fresh system directory and write good, short,
// wrong, no or late connect records; every good one gets its own endpoint,
// and no bad one holds up the next client.
#include <gtest/gtest.h>

#include <cstring>

#include "ManualTimerClock.h"
#include "MsgIo.h"
#include "PipeTransportTestSupport.h"
#include "RuntimeTestSupport.h"
#include "TransportTestWorlds.h"
#include "platform/NamedPipe.h"
#include "platform/tests/TempSystemDir.h"

using namespace portlib::platform;

namespace {

const char* const kPipe = "\\\\.\\PIPE\\mxr_pipe";

struct ListenerFixture : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 1};
    ListenerTestWorld world{kPipe};

    void SetUp() override {
        world.SetDfltPollTimer(20);
        ASSERT_EQ(world.Initialize(), 0);
    }
    void TearDown() override { world.CleanUp(); }

    int Connect() {
        int fd = -1;
        PipeConnectOptions o;
        o.timeoutMs = 1000;
        o.nonBlocking = true;
        EXPECT_EQ(PipeConnect(kPipe, o, &fd), 0);
        return fd;
    }
    static bool Write(int fd, std::string bytes) {
        hv::strbuf d{0, static_cast<int>(bytes.size()), bytes.data()};
        return hv::putmsg(fd, nullptr, &d, 0) == 0;
    }
    static std::string Record() { return std::string(PipeHead::ConnectRecord, PipeHead::ConnectRecordLen); }
    // The manager's PipeInitMsg on a connection the listener accepted.
    PipeInitMsgPtr ManagerInit(int fd) {
        RawReader r;
        BasePtr got;
        RunUntil(world, [&] { return (got = r.Read(fd, 0)).GetPtr() != nullptr || r.failed; });
        return PipeInitMsgPtr(got);
    }
    // True once the listener has closed the connection (reads see the end).
    bool ClosedByManager(int fd) {
        return RunUntil(world, [&] {
            char b[8];
            hv::strbuf d{8, 0, b};
            return hv::getmsg(fd, nullptr, &d, nullptr) == -1 && hv::GetLastMsgError() == HV_ERROR_BROKEN_PIPE;
        });
    }
    // Serves one good client end to end: record, PipeInitMsg both ways, route.
    void ServeGoodClient(long pid) {
        const int fd = Connect();
        ASSERT_TRUE(Write(fd, Record()));
        PipeInitMsgPtr init = ManagerInit(fd);
        ASSERT_TRUE(init.Ok());
        EXPECT_EQ(init->GetHost(), bStr("NODEA"));
        EXPECT_EQ(init->GetPid(), 0);
        EXPECT_EQ(init->GetTid(), 0);
        ASSERT_TRUE(WriteMsgRaw(fd, BaseMsgPtr(new PipeInitMsg("NODEA", pid, 1, 520)), 1));
        EXPECT_TRUE(RunUntil(world, [&] { return BaseAddrEnt::LookUpRoute("NODEA", pid, 1) != nullptr; }));
        clients.push_back(fd);
    }
    int Adapters() { return world.GetPollManager().GetPollAdptrLst().GetItemCnt(); }

    std::vector<int> clients;
    ~ListenerFixture() override {
        for (int fd : clients) PipeClose(fd);
    }
};

}  // namespace

TEST_F(ListenerFixture, TwoClientsInARowEachGetTheirOwnEndpoint) {
    EXPECT_TRUE(world.listener->IsListening());
    EXPECT_EQ(world.listener->GetFileName(), bStr(kPipe));
    ASSERT_NO_FATAL_FAILURE(ServeGoodClient(101));
    ASSERT_NO_FATAL_FAILURE(ServeGoodClient(102));
    BaseMsgRcvr* first = BaseAddrEnt::LookUpRoute("NODEA", 101, 1);
    BaseMsgRcvr* second = BaseAddrEnt::LookUpRoute("NODEA", 102, 1);
    EXPECT_NE(first, second);
    EXPECT_TRUE(PipeHeadPtr(BasePtr(first)).Ok());
    // The listener and one adapter per endpoint; no connection left waiting.
    EXPECT_EQ(Adapters(), 3);
    // A client that leaves takes its endpoint and route along.
    PipeClose(clients[0]);
    clients.erase(clients.begin());
    EXPECT_TRUE(RunUntil(world, [&] { return BaseAddrEnt::LookUpRoute("NODEA", 101, 1) == nullptr; }));
    EXPECT_EQ(Adapters(), 2);
}

TEST_F(ListenerFixture, BadFirstMessagesAreTurnedAwayAndTheNextClientIsServed) {
    struct Case {
        const char* what;
        std::string first;  // empty: the client leaves without writing
        const char* report;
    };
    std::string wrong = Record();
    wrong[10] = 'X';
    const Case cases[] = {
        {"23 bytes", Record().substr(0, 23), "Did not get MXR_CONNECT_MSG\n"},
        {"24 wrong bytes", wrong, "Bad  MXR_CONNECT_MSG\n"},
        {"left before writing", "", "Did not get MXR_CONNECT_MSG\n"},
    };
    long pid = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = Connect();
        StderrCapture err;
        if (c.first.empty()) {
            const int served = static_cast<int>(clients.size());
            ASSERT_TRUE(RunUntil(world, [&] { return Adapters() == 2 + served; }));  // accepted, waiting
            PipeClose(fd);
            ASSERT_TRUE(RunUntil(world, [&] { return Adapters() == 1 + static_cast<int>(clients.size()); }));
        } else {
            ASSERT_TRUE(Write(fd, c.first));
            EXPECT_TRUE(ClosedByManager(fd));
            PipeClose(fd);
        }
        EXPECT_EQ(err.Text(), c.report);
        ASSERT_NO_FATAL_FAILURE(ServeGoodClient(++pid));
    }
}

TEST_F(ListenerFixture, ASilentClientHoldsUpNobodyAndIsClosedAfterThirtySeconds) {
    ManualTimerClock clock;
    const int silent = Connect();
    RunUntil(world, [&] { return Adapters() == 2; });
    ASSERT_EQ(Adapters(), 2);  // the listener and the silent connection
    ASSERT_NO_FATAL_FAILURE(ServeGoodClient(300));
    clock.AdvanceMs(AttachedPollAdptr::ConnectRecordWaitMs - 1);
    for (int i = 0; i < 5; ++i) world.Run();
    char b[8];
    hv::strbuf d{8, 0, b};
    EXPECT_EQ(hv::getmsg(silent, nullptr, &d, nullptr), -1);
    EXPECT_EQ(hv::GetLastMsgError(), HV_ERROR_NO_DATA);  // still open, nothing said
    StderrCapture err;
    clock.AdvanceMs(1);
    EXPECT_TRUE(ClosedByManager(silent));
    EXPECT_EQ(err.Text(), "Did not get MXR_CONNECT_MSG\n");
    PipeClose(silent);
    EXPECT_EQ(Adapters(), 2);  // the listener and the good client's endpoint
}

TEST_F(ListenerFixture, ARecordWithMoreBytesIsAcceptedAndTheRestReachesTheEndpoint) {
    // The record and the client's PipeInitMsg packet in one pipe message.
    auto pkt = PacketsOfMsg(BasePtr(new PipeInitMsg("NODEA", 400, 4, 520)), 1);
    ASSERT_EQ(pkt.size(), 1u);
    const int fd = Connect();
    clients.push_back(fd);
    ASSERT_TRUE(Write(fd, Record() + std::string(pkt[0].begin(), pkt[0].end())));
    EXPECT_TRUE(ManagerInit(fd).Ok());
    EXPECT_TRUE(RunUntil(world, [&] { return BaseAddrEnt::LookUpRoute("NODEA", 400, 4) != nullptr; }));
}

TEST_F(ListenerFixture, OnlyOneManagerListensOnTheNameAndCleanUpFreesIt) {
    int rc = 0;
    {
        StderrCapture err;
        EXPECT_FALSE(AttachedPollAdptr::Listen(kPipe, &rc).Ok());
        EXPECT_EQ(err.Text(), "Could not Create pipe for Mxr: error 231\n");
    }
    EXPECT_EQ(rc, HV_ERROR_PIPE_BUSY);
    world.CleanUp();
    int fd = -1;
    EXPECT_EQ(PipeConnect(kPipe, PipeConnectOptions{}, &fd), HV_ERROR_FILE_NOT_FOUND);
    AttachedPollAdptrPtr again = AttachedPollAdptr::Listen(kPipe, &rc);
    EXPECT_TRUE(again.Ok());
    EXPECT_EQ(rc, 0);
}

TEST_F(ListenerFixture, AClientEndpointConnectsThroughTheListener) {
    // Both ends in this one world: the client's endpoint writes the record
    // and its PipeInitMsg; the manager's endpoint answers with its own.
    PipeHeadPtr client(new PipeHead(bStr(kPipe)));
    ASSERT_NE(client->GetFileDscrpt(), -1);
    EXPECT_EQ(client->GetFileName(), bStr(kPipe));
    ASSERT_EQ(client->Initialize(), 0);
    EXPECT_TRUE(RunUntil(world, [&] { return client->GetAddrEntLst().GetItemCnt() == 1 && Adapters() == 3; }));
    EXPECT_EQ(client->GetMaxPktSize(), 520u);
}
