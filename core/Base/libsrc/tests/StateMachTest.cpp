// The table engine of state machines: row order and base-class rows,
// SetNextState, chained messages, messages a state does not accept, broken
// tables, and machines that release themselves in a transition.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "BasePktCtrl.h"
#include "BaseStateMach.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "IoItem.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "SeqEnumCvt.h"
#include "WireTestClasses.h"

// START accepts a NoticeMsg (-> WAITING) and a PingReqMsg (-> DONE).
// WAITING has a row for every BaseMsg before one for SubNoticeMsg, which is
// therefore never reached. DONE accepts nothing. LOST (3) has no row.
class TestMach : public BaseStateMach {
    MXR_LOCAL_CLASS(TestMach, BaseStateMach);
    MXR_FIELDS();

public:
    enum enState { START = 0, WAITING = 1, DONE = 2, LOST = 3 };
    using Hook = std::function<BaseMsgPtr(TestMach&, BaseMsgPtr&)>;

    TestMach() { SetState(START); }

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;

    virtual BaseMsgPtr TransSTARTNoticeMsg(BaseMsgPtr& m) { return Run("STARTNoticeMsg", m); }
    virtual BaseMsgPtr TransSTARTPingReqMsg(BaseMsgPtr& m) { return Run("STARTPingReqMsg", m); }
    virtual BaseMsgPtr TransWAITINGBaseMsg(BaseMsgPtr& m) { return Run("WAITINGBaseMsg", m); }
    virtual BaseMsgPtr TransWAITINGSubNoticeMsg(BaseMsgPtr& m) { return Run("WAITINGSubNoticeMsg", m); }

    // Transitions run, and the state each found.
    std::vector<std::string> trace;
    Hook hook;

private:
    BaseMsgPtr Run(const char* name, BaseMsgPtr& m) {
        trace.push_back(std::string(name) + "@" + std::to_string(GetState()));
        return hook ? hook(*this, m) : BaseMsgPtr();
    }
};
MXR_COMPANIONS(TestMach);
MXR_LOCAL_CLASS_DEFINE(TestMach);

namespace {
const EnumCvtEnt stateNames[] = {
    {TestMach::START, "START"}, {TestMach::WAITING, "WAITING"}, {TestMach::DONE, "DONE"}, {TestMach::LOST, "LOST"}};

BaseMsgPtr CallSTARTNoticeMsg(BaseMsgRcvr* r, BaseMsgPtr& m) { return static_cast<TestMach*>(r)->TransSTARTNoticeMsg(m); }
BaseMsgPtr CallSTARTPingReqMsg(BaseMsgRcvr* r, BaseMsgPtr& m) { return static_cast<TestMach*>(r)->TransSTARTPingReqMsg(m); }
BaseMsgPtr CallWAITINGBaseMsg(BaseMsgRcvr* r, BaseMsgPtr& m) { return static_cast<TestMach*>(r)->TransWAITINGBaseMsg(m); }
BaseMsgPtr CallWAITINGSubNoticeMsg(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<TestMach*>(r)->TransWAITINGSubNoticeMsg(m);
}

const StateTransTblEnt startTrans[] = {
    {&NoticeMsg::ClassCode, TestMach::WAITING, &CallSTARTNoticeMsg},
    {&PingReqMsg::ClassCode, TestMach::DONE, &CallSTARTPingReqMsg},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt waitingTrans[] = {
    {&BaseMsg::ClassCode, TestMach::DONE, &CallWAITINGBaseMsg},
    {&SubNoticeMsg::ClassCode, TestMach::START, &CallWAITINGSubNoticeMsg},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt doneTrans[] = {{nullptr, 0, nullptr}};
const StateTblEnt table[] = {
    {TestMach::START, startTrans, 0},
    {TestMach::WAITING, waitingTrans, 0},
    {TestMach::DONE, doneTrans, 0},
    {0, nullptr, 0},
};

const BasePktCtrlPtr noCtrl;
}  // namespace

BaseEnumCvtPtr TestMach::GetEnStateNameCvtPtr() { return SeqEnumCvt::Create(stateNames, 4); }
const StateTblEnt* TestMach::GetStateTbl() { return table; }

namespace {
struct StateMach : ::testing::Test {
    RuntimeScope scope;
    BaseMsgPtr Notice(int n = 0) { return BaseMsgPtr(new NoticeMsg(BaseAddrPtr(), n)); }
    BaseMsgPtr SubNotice() { return BaseMsgPtr(new SubNoticeMsg(BaseAddrPtr(), 0)); }
    BaseMsgPtr Ping() { return BaseMsgPtr(new PingReqMsg(BaseAddrPtr(), 0)); }
};
}  // namespace

TEST_F(StateMach, AnAcceptedMessageRunsItsTransitionAndMovesTheMachine) {
    TestMach m;
    EXPECT_EQ(m.ReceiveMsg(Notice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(m.GetState(), TestMach::WAITING);
    EXPECT_EQ(m.GetNextState(), TestMach::WAITING);
    EXPECT_EQ(m.trace, (std::vector<std::string>{"STARTNoticeMsg@0"}));
    // A subclass matches its base's row: SubNoticeMsg in START is a NoticeMsg.
    TestMach sub;
    EXPECT_EQ(sub.ReceiveMsg(SubNotice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(sub.GetState(), TestMach::WAITING);
}

TEST_F(StateMach, AMessageTheStateDoesNotAcceptLeavesTheState) {
    TestMach m;
    BaseMsgPtr rsp(new PingRspMsg());
    EXPECT_EQ(m.ReceiveMsg(rsp, noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(m.GetState(), TestMach::START);
    EXPECT_TRUE(m.trace.empty());
    m.SetState(TestMach::DONE);  // accepts nothing
    EXPECT_EQ(m.ReceiveMsg(Notice(), noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(m.GetState(), TestMach::DONE);
    // An empty message or a non-message runs nothing.
    m.SetState(TestMach::START);
    EXPECT_EQ(m.DfltMsgHdlr(BaseMsgPtr(), noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(m.DfltMsgHdlr(BaseMsgPtr(BasePtr(new BaseAddr())), noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_TRUE(m.trace.empty());
}

TEST_F(StateMach, TheFirstMatchingRowWinsSoABaseClassRowTakesItsSubclasses) {
    TestMach m;
    m.SetState(TestMach::WAITING);
    EXPECT_EQ(m.ReceiveMsg(SubNotice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(m.trace, (std::vector<std::string>{"WAITINGBaseMsg@1"}));
    EXPECT_EQ(m.GetState(), TestMach::DONE);
}

TEST_F(StateMach, SetNextStateInAHandlerOverridesTheTable) {
    TestMach m;
    m.hook = [](TestMach& self, BaseMsgPtr&) {
        EXPECT_EQ(self.GetNextState(), TestMach::WAITING);  // the row's state, before the handler decides
        self.SetNextState(TestMach::DONE);
        return BaseMsgPtr();
    };
    m.ReceiveMsg(Notice(), noCtrl);
    EXPECT_EQ(m.GetState(), TestMach::DONE);
}

TEST_F(StateMach, AReturnedMessageRunsAtOnceInTheNewState) {
    RuntimeScope managerScope("NODEA", 1);
    BaseWorld world;
    TestMach m;
    m.hook = [this](TestMach& self, BaseMsgPtr&) {
        return self.trace.size() == 1 ? Notice(9) : BaseMsgPtr();  // START -> WAITING, then WAITING takes it
    };
    EXPECT_EQ(m.ReceiveMsg(Notice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(m.trace, (std::vector<std::string>{"STARTNoticeMsg@0", "WAITINGBaseMsg@1"}));
    EXPECT_EQ(m.GetState(), TestMach::DONE);
    // Chained, not queued.
    EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);

    // A returned message the new state does not accept ends the chain; the
    // result stays PROCESSED.
    TestMach n;
    n.hook = [this](TestMach&, BaseMsgPtr&) { return Notice(); };
    n.SetState(TestMach::WAITING);
    EXPECT_EQ(n.ReceiveMsg(Notice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(n.GetState(), TestMach::DONE);
    EXPECT_EQ(n.trace.size(), 1u);
}

// The machine drops the last pointer to itself in its transition (as the
// administrator's machines leave their owner's list); the engine still
// writes the state into a live object. ASan would catch a write after free.
TEST_F(StateMach, AMachineThatReleasesItselfInItsTransitionIsSafe) {
    TestMachPtr owner(new TestMach());
    DynamicAddrPtr addr = owner->GetAddrPtr();
    int finalState = -1;
    owner->hook = [&](TestMach& self, BaseMsgPtr&) {
        owner = TestMachPtr();  // the machine's last holder
        self.SetNextState(TestMach::DONE);
        return BaseMsgPtr();
    };
    TestMach* raw = owner.GetPtr();
    // Straight into the engine, without ReceiveMsg's own hold.
    EXPECT_EQ(raw->DfltMsgHdlr(Notice(), noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_FALSE(owner.Ok());
    EXPECT_EQ(addr->GetMsgRcvrAddr(), nullptr);

    // And through the world, chaining after the release.
    RuntimeScope managerScope("NODEA", 1);
    BaseWorld world;
    owner = new TestMach();
    owner->hook = [&](TestMach& self, BaseMsgPtr&) {
        if (self.trace.size() == 1) {
            owner = TestMachPtr();
            return Notice(5);
        }
        finalState = self.GetState();
        return BaseMsgPtr();
    };
    BaseMsgPtr(new NoticeMsg(owner->GetAddrPtr(), 1)).Send();
    world.ProcessMessages();
    EXPECT_FALSE(owner.Ok());
    EXPECT_EQ(finalState, TestMach::WAITING);
}

TEST_F(StateMach, StateNamesComeFromTheMachinesConverter) {
    TestMach m;
    EXPECT_STREQ(m.GetEnStateNameCvtPtr()->GetStr(TestMach::WAITING).StrVal(), "WAITING");
    EXPECT_TRUE(m.IsOfType(14));
    EXPECT_TRUE(m.IsOfType(7));
    EXPECT_EQ(table[1].GetStateId(), TestMach::WAITING);
    EXPECT_EQ(table[1].GetTransTblAddr(), waitingTrans);
    EXPECT_EQ(table[1].GetStateFlags(), 0);
    EXPECT_EQ(waitingTrans[0].GetMsgIdAddr(), &BaseMsg::ClassCode);
    EXPECT_EQ(waitingTrans[0].GetNextState(), TestMach::DONE);
    EXPECT_EQ(waitingTrans[0].GetFuncPtr(), &CallWAITINGBaseMsg);
}

using StateMachDeathTest = StateMach;

TEST_F(StateMachDeathTest, AStateWithoutARowStops) {
    TestMach m;
    m.SetState(TestMach::LOST);
    EXPECT_DEATH(m.ReceiveMsg(Notice(), noCtrl), "1 == 2");
}

// State and next state travel after the receiver part, as 4-byte integers,
// under "state" and "nextState".
TEST_F(StateMach, StateAndNextStateAreCarriedByBothEncodings) {
    TestMach m;
    m.SetState(TestMach::WAITING);
    m.SetNextState(TestMach::DONE);
    const Bytes wire = SerializeOf(m);
    ASSERT_GE(wire.size(), 8u);
    EXPECT_EQ(Bytes(wire.end() - 8, wire.end()), Hex("01 00 00 00 02 00 00 00"));
    TestMach back;
    Reader r = ReaderOf(wire);
    ASSERT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.GetState(), TestMach::WAITING);
    EXPECT_EQ(back.GetNextState(), TestMach::DONE);
    std::ostringstream os;
    m.GetIoItemFrom()->Display(os);
    EXPECT_NE(os.str().find("(state 1)"), std::string::npos) << os.str();
    EXPECT_NE(os.str().find("(nextState 2)"), std::string::npos) << os.str();
    EXPECT_LT(os.str().find("(addrPtr"), os.str().find("(state 1)"));
}
