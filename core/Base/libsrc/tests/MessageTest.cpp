// Messages: to- and from-addresses, the request/response convention,
// sending onto the world's list, and to-addresses that are no address.
#include <gtest/gtest.h>

#include "BaseErrMsg.h"
#include "BaseMsg.h"
#include "BasePktCtrl.h"
#include "BaseReqMsg.h"
#include "BaseRspMsg.h"
#include "BaseWorld.h"
#include "GenericTimeoutMsg.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {
const BasePktCtrlPtr noCtrl;
}

TEST(Message, ARequestMadeOutsideADispatchHasNoSender) {
    RuntimeScope scope;
    PingReqMsgPtr req(new PingReqMsg(BaseAddrPtr(new BaseAddr()), 1));
    EXPECT_FALSE(req->GetFrmAddr().Ok());
    // Its response has nowhere to go.
    PingRspMsgPtr rsp(new PingRspMsg(*req.GetPtr()));
    EXPECT_FALSE(rsp->GetToAddr().Ok());
    // The requester sets the sender itself.
    BaseAddrPtr me(new BaseAddr());
    req->SetFrmAddr(me);
    EXPECT_EQ(req->GetFrmAddr().GetPtr(), me.GetPtr());
}

TEST(Message, ARequestMadeInAHandlerCarriesTheHandlersAddress) {
    RuntimeScope scope;
    RecordingRcvr requester;
    BaseAddrPtr server(new LogicalAddr(LogicalAddr::MXRADMIN));
    PingReqMsgPtr made;
    requester.onMsg = [&](RecordingRcvr&, const BaseMsgPtr&) {
        made = new PingReqMsg(server, 7);
        return BaseMsgRcvr::PROCESSED;
    };
    requester.ReceiveMsg(BaseMsgPtr(new NoticeMsg(requester.GetAddrPtr(), 0)), noCtrl);
    ASSERT_TRUE(made.Ok());
    EXPECT_EQ(made->GetFrmAddr().GetPtr(), requester.GetAddrPtr().GetPtr());
    EXPECT_EQ(made->GetToAddr().GetPtr(), server.GetPtr());
    // The response goes back to whoever asked.
    PingRspMsg rsp(*made.GetPtr());
    EXPECT_EQ(rsp.GetToAddr().GetPtr(), requester.GetAddrPtr().GetPtr());
    EXPECT_EQ(rsp.GetToAddr()->GetMsgRcvrAddr(), &requester);
    EXPECT_EQ(rsp.n, 7);
    // After the dispatch, requests have no sender again.
    EXPECT_FALSE(PingReqMsg(server, 1).GetFrmAddr().Ok());
}

TEST(Message, OnlyRequestsHaveASender) {
    RuntimeScope scope;
    RecordingRcvr r;
    BaseAddrPtr to(r.GetAddrPtr());
    BaseMsgPtr msgs[] = {BaseMsgPtr(new BaseMsg()), BaseMsgPtr(new BaseRspMsg()), BaseMsgPtr(new BaseErrMsg(to)),
                         BaseMsgPtr(new GenericTimeoutMsg(to))};
    for (BaseMsgPtr& m : msgs) {
        m->SetFrmAddr(to);  // ignored
        EXPECT_FALSE(m->GetFrmAddr().Ok()) << m->GetClassName();
    }
    EXPECT_EQ(msgs[2]->GetToAddr().GetPtr(), to.GetPtr());
    EXPECT_EQ(msgs[3]->GetMsgRcvrAddr(), &r);
    EXPECT_EQ(msgs[0]->GetMsgPtrForDispatch().GetPtr(), msgs[0].GetPtr());
}

TEST(Message, TypeTestsFollowTheClassTree) {
    BaseMsgPtr req(new PingReqMsg());
    BaseMsgPtr rsp(new PingRspMsg());
    EXPECT_TRUE(req.Ok());
    EXPECT_TRUE(BaseReqMsgPtr(req).Ok());
    EXPECT_FALSE(BaseRspMsgPtr(req).Ok());
    EXPECT_TRUE(BaseRspMsgPtr(rsp).Ok());
    EXPECT_FALSE(BaseMsgPtr(BasePtr(new BaseAddr())).Ok());
    EXPECT_TRUE(BaseErrMsgPtr(new BaseErrMsg()).Ok());
    EXPECT_TRUE(req->IsOfType(6) && req->IsOfType(12) && req->IsOfType(16));
    EXPECT_FALSE(req->IsOfType(13));
}

TEST(Message, AToAddressThatIsNoAddressResolvesToNothingWithALine) {
    RuntimeScope scope;
    BaseMsg none;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(none.GetMsgRcvrAddr(), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "BaseMsg::GetMsgRcvrAddr - Bad toAddr in msg - returning \"0\"\n");
    // A peer can put any object where the address belongs.
    BaseMsg odd;
    odd.SetToAddr(BaseAddrPtr(BasePtr(new NoticeMsg())));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(odd.GetMsgRcvrAddr(), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "BaseMsg::GetMsgRcvrAddr - Bad toAddr in msg - returning \"0\"\n");
}

TEST(Message, SendAppendsToTheCurrentWorldsListInOrder) {
    RuntimeScope scope;
    BaseWorld world;
    RecordingRcvr r;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(BaseMsgPtr(new NoticeMsg(r.GetAddrPtr(), i)).Send(), 0);
    BasePktCtrlPtr ctrl;
    EXPECT_EQ(BaseMsgPtr(new NoticeMsg(r.GetAddrPtr(), 3)).Send(ctrl), 0);
    ASSERT_EQ(world.GetMsgList().GetItemCnt(), 4);
    BaseMsgLstIter it(world.GetMsgList());
    int expect = 0;
    for (BaseMsgPtr m = it.First(); m.GetPtr() != nullptr; m = it.Next()) EXPECT_EQ(NumberOf(m), expect++);
}

TEST(MessageDeathTest, SendingNothingOrWithoutAWorldStops) {
    RuntimeScope scope;
    EXPECT_DEATH(BaseMsgPtr().Send(), "Ok\\(\\)");
    EXPECT_DEATH(BaseMsgPtr(BasePtr(new BaseAddr())).Send(), "Ok\\(\\)");
    BaseWorld::SetWorldPtr(nullptr);
    EXPECT_DEATH(BaseMsgPtr(new BaseMsg()).Send(), "worldPtr != 0");
}
