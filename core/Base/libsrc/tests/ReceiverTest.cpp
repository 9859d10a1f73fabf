// Message receivers: addresses of their own, the two handling stages, the
// dispatch context and its restoration, and receivers that go away.
#include <gtest/gtest.h>

#include "BaseMsgRcvr.h"
#include "BasePktCtrl.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"

namespace {
const BasePktCtrlPtr noCtrl;
}

TEST(Receiver, EachReceiverHasItsOwnResolvableAddress) {
    RuntimeScope scope;
    RecordingRcvrPtr a(new RecordingRcvr());
    RecordingRcvrPtr b(new RecordingRcvr());
    DynamicAddrPtr addrA = a->GetAddrPtr();
    DynamicAddrPtr addrB = b->GetAddrPtr();
    EXPECT_NE(addrA->GetIdx(), addrB->GetIdx());
    EXPECT_NE(addrA->GetUniq(), addrB->GetUniq());
    EXPECT_EQ(addrA->GetMsgRcvrAddr(), a.GetPtr());
    EXPECT_EQ(addrB->GetMsgRcvrAddr(), b.GetPtr());
    EXPECT_STREQ(addrA->GetHost().StrVal(), "NODEA");
    EXPECT_EQ(addrA->GetPid(), BaseAddr::GetCurrentPid());
    EXPECT_EQ(addrA->GetTid(), BaseAddr::GetCurrentTid());

    // Gone: its address resolves to nothing, also once a new receiver has
    // taken the same row.
    a = RecordingRcvrPtr();
    EXPECT_EQ(addrA->GetMsgRcvrAddr(), nullptr);
    DynamicAddrEnt::SetDynamicAddrTblCursor(addrA->GetIdx());
    RecordingRcvrPtr c(new RecordingRcvr());
    EXPECT_EQ(c->GetAddrPtr()->GetIdx(), addrA->GetIdx());
    EXPECT_NE(c->GetAddrPtr()->GetUniq(), addrA->GetUniq());
    EXPECT_EQ(addrA->GetMsgRcvrAddr(), nullptr);
    EXPECT_EQ(c->GetAddrPtr()->GetMsgRcvrAddr(), c.GetPtr());
}

TEST(Receiver, ACopyIsANewReceiverWithItsOwnRow) {
    RuntimeScope scope;
    RecordingRcvr original;
    {
        RecordingRcvr copy(original);
        EXPECT_NE(copy.GetAddrPtr()->GetIdx(), original.GetAddrPtr()->GetIdx());
        copy = original;  // the address stays the copy's own
        EXPECT_EQ(copy.GetAddrPtr()->GetMsgRcvrAddr(), &copy);
    }
    EXPECT_EQ(original.GetAddrPtr()->GetMsgRcvrAddr(), &original);
}

TEST(Receiver, PlainReceiverDeclinesBothStages) {
    RuntimeScope scope;
    BaseMsgRcvr plain;
    BaseMsgPtr msg(new NoticeMsg(plain.GetAddrPtr(), 1));
    EXPECT_EQ(plain.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(plain.MsgHdlr(msg, noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(plain.DfltMsgHdlr(msg, noCtrl), BaseMsgRcvr::NOTPROCESSED);
}

TEST(Receiver, DefaultStageRunsOnlyWhenTheFirstDeclines) {
    RuntimeScope scope;
    RecordingRcvr r;
    BaseMsgPtr msg(new NoticeMsg(r.GetAddrPtr(), 1));
    EXPECT_EQ(r.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::PROCESSED);
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[0].stage, "MsgHdlr");
    EXPECT_EQ(r.seen[1].stage, "DfltMsgHdlr");

    r.seen.clear();
    r.onMsg = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::PROCESSED; };
    EXPECT_EQ(r.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::PROCESSED);
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(r.seen[0].stage, "MsgHdlr");

    r.seen.clear();
    r.onMsg = nullptr;
    r.onDflt = [](RecordingRcvr&, const BaseMsgPtr&) { return BaseMsgRcvr::NOTPROCESSED; };
    EXPECT_EQ(r.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::NOTPROCESSED);
    EXPECT_EQ(r.seen.size(), 2u);
}

// A handler that hands a message on to another receiver gets its own
// context back; outside any dispatch the context is empty.
TEST(Receiver, DispatchContextIsRestoredAfterNestedReceives) {
    RuntimeScope scope;
    RecordingRcvr outer, inner, innermost;
    BaseMsgPtr m1(new NoticeMsg(outer.GetAddrPtr(), 1));
    BaseMsgPtr m2(new NoticeMsg(inner.GetAddrPtr(), 2));
    BaseMsgPtr m3(new NoticeMsg(innermost.GetAddrPtr(), 3));
    BaseMsgRcvr* afterNested = nullptr;
    BaseMsgPtr afterNestedMsg;
    inner.onMsg = [&](RecordingRcvr&, const BaseMsgPtr&) {
        innermost.ReceiveMsg(m3, noCtrl);
        return BaseMsgRcvr::NOTPROCESSED;
    };
    outer.onMsg = [&](RecordingRcvr&, const BaseMsgPtr&) {
        inner.ReceiveMsg(m2, noCtrl);
        afterNested = BaseMsgRcvr::GetCurrentMsgRcvr();
        afterNestedMsg = BaseMsgRcvr::GetCurrentMsg();
        return BaseMsgRcvr::PROCESSED;
    };
    EXPECT_EQ(BaseMsgRcvr::GetCurrentMsgRcvr(), nullptr);
    EXPECT_FALSE(BaseMsgRcvr::GetCurrentMsg().Ok());
    outer.ReceiveMsg(m1, noCtrl);
    EXPECT_EQ(afterNested, &outer);
    EXPECT_EQ(afterNestedMsg.GetPtr(), m1.GetPtr());
    EXPECT_EQ(outer.seen[0].currentRcvr, &outer);
    EXPECT_EQ(outer.seen[0].currentMsg.GetPtr(), m1.GetPtr());
    ASSERT_EQ(inner.seen.size(), 2u);
    EXPECT_EQ(inner.seen[1].currentRcvr, &inner);  // its second stage, after the nested call
    EXPECT_EQ(inner.seen[1].currentMsg.GetPtr(), m2.GetPtr());
    EXPECT_EQ(innermost.seen[0].currentRcvr, &innermost);
    EXPECT_EQ(BaseMsgRcvr::GetCurrentMsgRcvr(), nullptr);
    EXPECT_FALSE(BaseMsgRcvr::GetCurrentMsg().Ok());
}

// A receiver held only through pointers that drops its last holder in its
// first stage still runs its second stage on a live object (ASan checks).
TEST(Receiver, AReceiverThatReleasesItselfFinishesBothStages) {
    RuntimeScope scope;
    RecordingRcvrPtr holder(new RecordingRcvr());
    DynamicAddrPtr addr = holder->GetAddrPtr();
    int dfltRan = 0;
    holder->onMsg = [&](RecordingRcvr&, const BaseMsgPtr&) {
        holder = RecordingRcvrPtr();
        return BaseMsgRcvr::NOTPROCESSED;
    };
    holder->onDflt = [&](RecordingRcvr& self, const BaseMsgPtr&) {
        ++dfltRan;
        self.numbers.push_back(0);
        return BaseMsgRcvr::PROCESSED;
    };
    RecordingRcvr* raw = holder.GetPtr();
    BaseMsgPtr msg(new NoticeMsg(addr, 1));
    EXPECT_EQ(raw->ReceiveMsg(msg, noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(dfltRan, 1);
    EXPECT_EQ(addr->GetMsgRcvrAddr(), nullptr);  // gone once the call ended
    EXPECT_EQ(BaseMsgRcvr::GetCurrentMsgRcvr(), nullptr);
}

TEST(Receiver, ResultNamesAndClassCodes) {
    BaseEnumCvtPtr cvt = BaseMsgRcvr::GetEnMsgResultCvtPtr();
    EXPECT_STREQ(cvt->GetStr(1).StrVal(), "NOTPROCESSED");
    EXPECT_STREQ(cvt->GetStr(2).StrVal(), "PROCESSED");
    EXPECT_EQ(cvt->GetStr(0).StrLen(), 0);
    RecordingRcvr r;
    EXPECT_TRUE(r.IsOfType(7));
    EXPECT_EQ(r.GetRefCnt(), 0);
}
