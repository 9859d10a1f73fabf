// The dispatch context belongs to the thread that dispatches: a request made
// on another thread meanwhile (a blocking client's) carries no sender.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "BasePktCtrl.h"
#include "BaseMsgRcvr.h"
#include "BaseReqMsg.h"
#include "ClassDefine.h"

class HookRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(HookRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr&, const BasePktCtrlPtr&) override {
        hook();
        return PROCESSED;
    }
    std::function<void()> hook;
};
MXR_LOCAL_CLASS_DEFINE(HookRcvr);

TEST(MessageThreads, ARequestMadeOnAnotherThreadDuringADispatchHasNoSender) {
    HookRcvr r;
    int otherHasSender = -1;
    int ownHasSender = -1;
    BaseMsgRcvr* otherSeesRcvr = &r;
    r.hook = [&] {
        std::thread t([&] {
            otherHasSender = BaseReqMsg().GetFrmAddr().Ok();
            otherSeesRcvr = BaseMsgRcvr::GetCurrentMsgRcvr();
        });
        t.join();
        ownHasSender = BaseReqMsg().GetFrmAddr().Ok();
    };
    const BasePktCtrlPtr noCtrl;
    r.ReceiveMsg(BaseMsgPtr(new BaseMsg()), noCtrl);
    EXPECT_EQ(otherHasSender, 0);
    EXPECT_EQ(otherSeesRcvr, nullptr);
    EXPECT_EQ(ownHasSender, 1);
}
