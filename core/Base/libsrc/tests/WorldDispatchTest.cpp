// The world's dispatch step: order and the per-turn limit, the readiness
// gate, bad and undeliverable messages with their reports, message printing,
// the logger, and the run flag.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "BaseErrMsg.h"
#include "BasePktCtrl.h"
#include "BaseWorld.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {

// A world in a scope whose gate opens at once (the manager's view), unless
// a test asks for a client process.
struct WorldFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    RecordingRcvr rcvr;

    void SendNotice(int n) { BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), n)).Send(); }
    // Runs the dispatch step with stderr captured; returns what it wrote.
    std::string Turn() {
        ::testing::internal::CaptureStderr();
        world.ProcessMessages();
        return ::testing::internal::GetCapturedStderr();
    }
};

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i < to; ++i) v.push_back(i);
    return v;
}

// Reports under another name than the one message printing skips.
class LookAlikeMsg : public NoticeMsg {
public:
    using NoticeMsg::NoticeMsg;
    const char* GetClassName() const override { return "PipeHeadSendHeartBeatReqMsg"; }
};

}  // namespace

using WorldDispatch = WorldFixture;

TEST_F(WorldDispatch, FiftyMessagesGoTwentyPerTurnInOrder) {
    for (int i = 0; i < 50; ++i) SendNotice(i);
    EXPECT_EQ(Turn(), "");
    EXPECT_EQ(rcvr.numbers, Range(0, 20));
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 30);
    Turn();
    EXPECT_EQ(rcvr.numbers, Range(0, 40));
    Turn();
    EXPECT_EQ(rcvr.numbers, Range(0, 50));
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
    Turn();
    EXPECT_EQ(rcvr.numbers.size(), 50u);
}

TEST_F(WorldDispatch, DroppedMessagesDoNotUseUpTheTurn) {
    world.SetMsgsPerSegment(3);
    SendNotice(0);
    world.GetMsgList().Append(BasePtr(new BaseAddr()));                   // not a message
    BaseMsgPtr(new WrapperMsg(BasePtr())).Send();                         // wraps nothing
    BaseMsgPtr(new WrapperMsg(BasePtr(new BaseAddr()))).Send();           // wraps no message
    BaseMsgPtr(new WrapperMsg(BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), 1)))).Send();  // wraps one
    BaseMsgPtr(new NoticeMsg(BaseAddrPtr(new BaseAddr(bStr("NODEZ"), 9, 9)), 99)).Send();  // nowhere
    SendNotice(2);
    SendNotice(3);
    const std::string out = Turn();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(out,
              "BaseWorld::Run() - Bad message not a Base Msg Ptr\n"
              "BaseWorld::Run() - Bad contained message not a Base Msg Ptr\n"
              "BaseWorld::Run() - Bad target address ClassName = NoticeMsg To Host = NODEZ TO pid = 9\n");
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 1);
}

// A request that reaches nobody is answered with an error message to its
// sender; the answer joins the list and is dispatched in the same step.
TEST_F(WorldDispatch, AnUndeliverableRequestIsAnsweredWithAnErrorMessage) {
    RecordingRcvr requester;
    PingReqMsgPtr req(new PingReqMsg(BaseAddrPtr(new BaseAddr(bStr("NODEB"), 5, 6)), 1));
    req->SetFrmAddr(requester.GetAddrPtr());
    BaseMsgPtr(req).Send();
    EXPECT_EQ(Turn(), "BaseWorld::Run() - Bad target address ClassName = PingReqMsg To Host = NODEB TO pid = 5\n");
    ASSERT_EQ(requester.seen.size(), 2u);
    BaseErrMsgPtr err(requester.seen[0].msg);
    ASSERT_TRUE(err.Ok());
    EXPECT_EQ(err->GetToAddr().GetPtr(), requester.GetAddrPtr().GetPtr());

    // A notice that reaches nobody is only reported.
    BaseMsgPtr(new NoticeMsg(BaseAddrPtr(new BaseAddr(bStr("NODEB"), 5, 6)), 2)).Send();
    EXPECT_EQ(Turn(), "BaseWorld::Run() - Bad target address ClassName = NoticeMsg To Host = NODEB TO pid = 5\n");
    EXPECT_EQ(requester.seen.size(), 2u);
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
}

// A peer may send a message with no to-address, or with something else in
// its place: reported as an empty host and pid 0, never a crash. A request
// without a sender gets an error message that is itself undeliverable.
TEST_F(WorldDispatch, ANullOrForeignToAddressIsReportedWithoutACrash) {
    BaseMsgPtr(new NoticeMsg(BaseAddrPtr(), 1)).Send();
    BaseMsgPtr(new NoticeMsg(BaseAddrPtr(BasePtr(new NoticeMsg())), 2)).Send();
    BaseMsgPtr(new PingReqMsg(BaseAddrPtr(), 3)).Send();
    const std::string bad = "BaseMsg::GetMsgRcvrAddr - Bad toAddr in msg - returning \"0\"\n";
    EXPECT_EQ(Turn(), bad + "BaseWorld::Run() - Bad target address ClassName = NoticeMsg To Host =  TO pid = 0\n" +
                          bad + "BaseWorld::Run() - Bad target address ClassName = NoticeMsg To Host =  TO pid = 0\n" +
                          bad + "BaseWorld::Run() - Bad target address ClassName = PingReqMsg To Host =  TO pid = 0\n" +
                          bad + "BaseWorld::Run() - Bad target address ClassName = BaseErrMsg To Host =  TO pid = 0\n");
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
    EXPECT_TRUE(rcvr.seen.empty());
}

TEST_F(WorldDispatch, AMessageNobodyProcessesIsReported) {
    rcvr.onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::NOTPROCESSED; };
    SendNotice(1);
    EXPECT_EQ(Turn(), "BaseWorld::Run() - Message not processed\n");
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST_F(WorldDispatch, MessagePrintingWritesOneLinePerMessageButHeartbeats) {
    world.SetMessagePrinting(1);
    SendNotice(1);
    BaseMsgPtr(new LookAlikeMsg(rcvr.GetAddrPtr(), 2)).Send();
    BaseMsgPtr(new PingReqMsg(rcvr.GetAddrPtr(), 3)).Send();
    const std::string out = Turn();
    const std::string prefix = "NODEA-" + std::to_string(BaseAddr::GetCurrentPid()) + "> ";
    const std::regex expect(prefix + "NoticeMsg to RecordingRcvr\\[0x[0-9a-f]+\\]\n" + prefix +
                            "PingReqMsg to RecordingRcvr\\[0x[0-9a-f]+\\]\n");
    EXPECT_TRUE(std::regex_match(out, expect)) << out;
    char addr[32];
    std::snprintf(addr, sizeof addr, "[%p]", static_cast<void*>(&rcvr));
    EXPECT_NE(out.find(addr), std::string::npos) << out;
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1, 2, 3}));
}

TEST_F(WorldDispatch, TheLoggerSeesEveryMessageFirst) {
    std::vector<std::string> events;
    RecordingRcvrPtr logger(new RecordingRcvr());
    logger->onMsg = [&](RecordingRcvr&, const BaseMsgPtr& m) {
        events.push_back("log " + std::to_string(NumberOf(m)));
        return BaseMsgRcvr::NOTPROCESSED;  // its result changes nothing
    };
    logger->onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::NOTPROCESSED; };
    rcvr.onMsg = [&](RecordingRcvr&, const BaseMsgPtr& m) {
        events.push_back("handle " + std::to_string(NumberOf(m)));
        return BaseMsgRcvr::PROCESSED;
    };
    world.SetMsgLoggerPtr(logger);
    EXPECT_EQ(world.GetMsgLoggerPtr().GetPtr(), logger.GetPtr());
    for (int i = 0; i < 3; ++i) SendNotice(i);
    BaseMsgPtr(new NoticeMsg(BaseAddrPtr(new BaseAddr(bStr("NODEZ"), 1, 1)), 9)).Send();  // nobody: not logged
    Turn();
    EXPECT_EQ(events, (std::vector<std::string>{"log 0", "handle 0", "log 1", "handle 1", "log 2", "handle 2"}));

    world.SetMsgLoggerPtr(BaseMsgRcvrPtr());
    SendNotice(3);
    Turn();
    EXPECT_EQ(events.back(), "handle 3");
    EXPECT_EQ(events.size(), 7u);
}

// A logger that destroys the message's receiver: the message is not handed
// to the dead receiver.
TEST_F(WorldDispatch, ALoggerThatDestroysTheReceiverIsSurvived) {
    RecordingRcvrPtr victim(new RecordingRcvr());
    RecordingRcvrPtr logger(new RecordingRcvr());
    logger->onMsg = [&](RecordingRcvr&, const BaseMsgPtr&) {
        victim = RecordingRcvrPtr();
        return BaseMsgRcvr::PROCESSED;
    };
    world.SetMsgLoggerPtr(logger);
    BaseMsgPtr(new NoticeMsg(victim->GetAddrPtr(), 1)).Send();
    EXPECT_EQ(Turn(), "");
    EXPECT_FALSE(victim.Ok());
}

TEST_F(WorldDispatch, AHandlerThatClearsTheRunFlagStopsDispatchAfterItsMessage) {
    rcvr.onMsg = [&](RecordingRcvr&, const BaseMsgPtr& m) {
        if (NumberOf(m) == 2) world.SetRunFlag(0);
        return BaseMsgRcvr::NOTPROCESSED;
    };
    for (int i = 0; i < 5; ++i) SendNotice(i);
    Turn();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 2);
    Turn();  // still stopped
    EXPECT_EQ(rcvr.numbers.size(), 3u);
    world.SetRunFlag(1);
    Turn();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2, 3, 4}));
}

// A stopped world holds its queued messages: they are no work at hand, so
// its turns wait as idle ones do instead of turning without end.
TEST_F(WorldDispatch, AStoppedWorldWithQueuedMessagesWaitsInsteadOfSpinning) {
    world.SetDfltPollTimer(1);
    for (int i = 0; i < 3; ++i) SendNotice(i);
    world.SetRunFlag(0);
    for (int turn = 0; turn < 3; ++turn) {
        world.Run();
        EXPECT_EQ(world.GetLastTurnWait(), 1) << "turn " << turn;
    }
    EXPECT_TRUE(rcvr.numbers.empty());
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 3);
    // Running again, it takes them at once.
    world.SetRunFlag(1);
    world.Run();
    EXPECT_EQ(world.GetLastTurnWait(), 0);
    EXPECT_EQ(rcvr.numbers, Range(0, 3));
}

TEST_F(WorldDispatch, MessagesSentByHandlersJoinTheTailOfTheSameTurn) {
    world.SetMsgsPerSegment(5);
    rcvr.onMsg = [&](RecordingRcvr&, const BaseMsgPtr& m) {
        if (NumberOf(m) < 3) SendNotice(NumberOf(m) + 10);
        return BaseMsgRcvr::NOTPROCESSED;
    };
    for (int i = 0; i < 3; ++i) SendNotice(i);
    Turn();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2, 10, 11}));
    Turn();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{0, 1, 2, 10, 11, 12}));
}

// Request and response through the world: the server answers, the answer
// finds the requester through the stamped from-address.
TEST_F(WorldDispatch, RequestAndResponseFindTheirWay) {
    RecordingRcvr server, client;
    server.onMsg = [](RecordingRcvr&, const BaseMsgPtr& m) {
        PingReqMsgPtr req(m);
        if (!req.Ok()) return BaseMsgRcvr::NOTPROCESSED;
        PingRspMsgPtr rsp(new PingRspMsg(*req.GetPtr()));
        rsp->retVal = 0;
        rsp->n = req->n * 2;
        BaseMsgPtr(rsp).Send();
        return BaseMsgRcvr::PROCESSED;
    };
    BaseAddrPtr serverAddr(server.GetAddrPtr());
    client.onMsg = [&](RecordingRcvr&, const BaseMsgPtr& m) {
        if (NoticeMsgPtr(m).Ok()) BaseMsgPtr(new PingReqMsg(serverAddr, NumberOf(m))).Send();
        return BaseMsgRcvr::NOTPROCESSED;
    };
    BaseMsgPtr(new NoticeMsg(client.GetAddrPtr(), 21)).Send();
    Turn();
    // The client saw its kick-off notice, then the response.
    ASSERT_EQ(client.numbers, (std::vector<int>{21, 42}));
    EXPECT_TRUE(PingRspMsgPtr(client.seen.back().msg).Ok());
}

TEST(WorldGate, NothingIsDispatchedBeforeTheRouteToTheManagerExists) {
    RuntimeScope scope("NODEA", 0);
    BaseWorld world;
    RecordingRcvr rcvr;
    for (int i = 0; i < 5; ++i) BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), i)).Send();
    for (int turn = 0; turn < 3; ++turn) world.ProcessMessages();
    EXPECT_TRUE(rcvr.numbers.empty());
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 5);
    EXPECT_EQ(BaseWorld::GetDispatchReadyFlg(), 0);
    // A route to another host's manager does not open it.
    RecordingRcvr pipeToB;
    BaseAddrEntPtr toB(new BaseAddrEnt(bStr("NODEB"), 0, 0, &pipeToB));
    world.ProcessMessages();
    EXPECT_TRUE(rcvr.numbers.empty());
    // The pipe to this host's manager is up: everything goes, in order.
    RecordingRcvr pipe;
    BaseAddrEntPtr route(new BaseAddrEnt(bStr("NODEA"), 0, 0, &pipe));
    world.ProcessMessages();
    EXPECT_EQ(rcvr.numbers, Range(0, 5));
    EXPECT_EQ(BaseWorld::GetDispatchReadyFlg(), 1);
    // Once open, the gate stays open without the route.
    route = BaseAddrEntPtr();
    BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), 5)).Send();
    world.ProcessMessages();
    EXPECT_EQ(rcvr.numbers, Range(0, 6));
    EXPECT_TRUE(pipe.seen.empty());
}

TEST(WorldGate, TheManagerDispatchesAtOnce) {
    RuntimeScope scope("NODEA", 1);
    BaseWorld world;
    RecordingRcvr rcvr;
    BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), 1)).Send();
    world.ProcessMessages();
    EXPECT_EQ(rcvr.numbers, (std::vector<int>{1}));
}

TEST(World, DefaultsAndTheCurrentWorld) {
    RuntimeScope scope;
    auto first = std::make_unique<BaseWorld>();
    EXPECT_EQ(BaseWorld::GetWorldPtr(), first.get());
    EXPECT_EQ(first->GetRunFlag(), 1);
    EXPECT_EQ(first->GetDfltPollTimer(), 10000);
    EXPECT_EQ(first->GetMsgsPerSegment(), 20);
    EXPECT_EQ(first->GetMessagePrinting(), 0);
    EXPECT_FALSE(first->GetMsgLoggerPtr().Ok());
    EXPECT_EQ(first->Initialize(), 0);
    first->CleanUp();
    {
        // The most recently constructed world is current; destroyed, it is
        // no longer anybody's current world.
        std::unique_ptr<BaseWorld> second = std::make_unique<BaseWorld>();
        EXPECT_EQ(BaseWorld::GetWorldPtr(), second.get());
    }
    EXPECT_EQ(BaseWorld::GetWorldPtr(), nullptr);
    BaseWorld::SetWorldPtr(first.get());
    {
        BaseWorld* third = new BaseWorld();
        BaseWorld::SetWorldPtr(first.get());
        delete third;  // not current: the current world stays
    }
    EXPECT_EQ(BaseWorld::GetWorldPtr(), first.get());
    first.reset();
    EXPECT_EQ(BaseWorld::GetWorldPtr(), nullptr);
}

// A derived world is destroyed through its base.
TEST(World, DerivedWorldIsDestroyedThroughTheBase) {
    RuntimeScope scope;
    struct Derived : BaseWorld {
        explicit Derived(int* d) : destroyed(d) {}
        ~Derived() override { ++*destroyed; }
        int* destroyed;
    };
    int destroyed = 0;
    std::unique_ptr<BaseWorld> w(new Derived(&destroyed));
    w.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(BaseWorld::GetWorldPtr(), nullptr);
}
