// The base receiver of a communication agent in a real world: the two host
// requests reach the agent's operations and are answered once, with the
// operation's result, to whoever asked; anything else is left to the plain
// receiver's handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AdminTestSupport.h"
#include "CommAgentMsgRcvr.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "CommPathStatusMsg.h"
#include "LogicalAddrEnt.h"

using namespace mxrtest;

namespace {

// An agent whose operations answer chosen values and note their calls.
class TestAgentRcvr : public CommAgentMsgRcvr {
public:
    TestAgentRcvr() : name(LogicalAddr::COMMAGENTMSGRCVR, GetAddrPtr()) {}
    int AddHost(DestHostEntPtr path) override {
        calls.push_back("add " + (path.GetPtr() ? path->GetRemoteAlias().StrVal() : std::string("<null>")));
        seen = path;
        return addResult;
    }
    int DeleteHost(DestHostEntPtr path) override {
        calls.push_back("delete " + (path.GetPtr() ? path->GetRemoteAlias().StrVal() : std::string("<null>")));
        seen = path;
        return deleteResult;
    }
    int addResult = 0;
    int deleteResult = 0;
    std::vector<std::string> calls;
    DestHostEntPtr seen;

private:
    LogicalAddrEnt name;
};

// The asking side: keeps what it is handed.
class Asker : public BaseMsgRcvr {
public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        got.push_back(msg);
        return PROCESSED;
    }
    std::vector<BaseMsgPtr> got;
};

struct AgentReceiver : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    TestAgentRcvr agent;
    Asker asker;
    BaseAddrPtr agentAddr{new LogicalAddr(bStr("NODEA"), LogicalAddr::COMMAGENTMSGRCVR)};

    // Sends msg and runs the dispatch until nothing is queued; the stderr.
    std::string Deliver(const BaseMsgPtr& msg) {
        ::testing::internal::CaptureStderr();
        msg.Send();
        for (int turn = 0; turn < 10 && world.GetMsgList().GetItemCnt() > 0; ++turn) world.ProcessMessages();
        EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
        return ::testing::internal::GetCapturedStderr();
    }
    template <class R>
    BaseMsgPtr HostReq(const DestHostEntPtr& path) {
        BaseMsgPtr req(new R(agentAddr, path));
        req->SetFrmAddr(asker.GetAddrPtr());
        return req;
    }
};

}  // namespace

TEST_F(AgentReceiver, HostRequestsAreAnsweredOnceWithTheOperationsResult) {
    const DestHostEntPtr path = FullPath();
    agent.addResult = 17;
    EXPECT_EQ(Deliver(HostReq<CommAgentMsgRcvrAddHostReqMsg>(path)), "");
    EXPECT_EQ(agent.calls, std::vector<std::string>{"add NODEB"});
    EXPECT_EQ(agent.seen.GetPtr(), path.GetPtr());
    ASSERT_EQ(asker.got.size(), 1u);
    CommAgentMsgRcvrAddHostRspMsgPtr added(asker.got[0]);
    ASSERT_TRUE(added.Ok());
    EXPECT_EQ(added->GetRetVal(), 17);
    EXPECT_EQ(added->GetToAddr().GetPtr(), asker.GetAddrPtr().GetPtr());

    agent.deleteResult = -3;
    EXPECT_EQ(Deliver(HostReq<CommAgentMsgRcvrDeleteHostReqMsg>(path)), "");
    EXPECT_EQ(agent.calls, (std::vector<std::string>{"add NODEB", "delete NODEB"}));
    ASSERT_EQ(asker.got.size(), 2u);
    CommAgentMsgRcvrDeleteHostRspMsgPtr deleted(asker.got[1]);
    ASSERT_TRUE(deleted.Ok());
    EXPECT_EQ(deleted->GetRetVal(), -3);

    // A request that arrived without a path still reaches the operation.
    agent.addResult = 1;
    EXPECT_EQ(Deliver(HostReq<CommAgentMsgRcvrAddHostReqMsg>(DestHostEntPtr())), "");
    EXPECT_EQ(agent.calls.back(), "add <null>");
    ASSERT_EQ(asker.got.size(), 3u);
    EXPECT_EQ(CommAgentMsgRcvrAddHostRspMsgPtr(asker.got[2])->GetRetVal(), 1);
}

TEST_F(AgentReceiver, OtherMessagesAreNotProcessedAndGetNoAnswer) {
    CommPathStatusMsgPtr notice(new CommPathStatusMsg(agentAddr));
    EXPECT_EQ(agent.ReceiveMsg(notice, BasePktCtrlPtr()), BaseMsgRcvr::NOTPROCESSED);
    // An answer addressed to the agent is no request to it either.
    BaseMsgPtr req = HostReq<CommAgentMsgRcvrAddHostReqMsg>(FullPath());
    BaseMsgPtr answer(new CommAgentMsgRcvrAddHostRspMsg(*CommAgentMsgRcvrAddHostReqMsgPtr(req).GetPtr()));
    answer->SetToAddr(agentAddr);
    EXPECT_EQ(Deliver(answer), "BaseWorld::Run() - Message not processed\n");
    EXPECT_TRUE(agent.calls.empty());
    EXPECT_TRUE(asker.got.empty());
}

TEST_F(AgentReceiver, TypeAndTag) {
    EXPECT_EQ(agent.GetTypeId(), 50);
    EXPECT_STREQ(agent.GetClassName(), "CommAgentMsgRcvr");
    EXPECT_TRUE(agent.IsOfType(50));
    EXPECT_TRUE(agent.IsOfType(BaseMsgRcvr::ClassCode));
    EXPECT_TRUE(agent.IsOfType(BaseVirtItem::ClassCode));
    EXPECT_FALSE(agent.IsOfType(BaseMsg::ClassCode));
    agent.SetCommAgentTagNum(12);
    EXPECT_EQ(agent.GetCommAgentTagNum(), 12);
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::COMMAGENTMSGRCVR), &agent);
}
