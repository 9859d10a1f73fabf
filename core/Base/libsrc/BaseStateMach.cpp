#include "BaseStateMach.h"

#include "ClassDefine.h"
#include "MxrAssert.h"

MXR_ABSTRACT_CLASS_DEFINE(BaseStateMach);

BaseStateMach::BaseStateMach() : State(0), NextState(0) { MXR_METHOD_FRAME("BaseStateMach", 0); }

BaseStateMach::~BaseStateMach() { MXR_METHOD_FRAME("~BaseStateMach", 0); }

int BaseStateMach::GetState() const {
    MXR_METHOD_FRAME("GetState", 0);
    return State;
}

void BaseStateMach::SetState(int state) {
    MXR_METHOD_FRAME("SetState", 1);
    State = state;
}

int BaseStateMach::GetNextState() const {
    MXR_METHOD_FRAME("GetNextState", 0);
    return NextState;
}

void BaseStateMach::SetNextState(int state) {
    MXR_METHOD_FRAME("SetNextState", 1);
    NextState = state;
}

BaseMsgRcvr::enMsgResult BaseStateMach::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    // A transition may release the machine (a finished machine leaves its
    // owner's list); one held through pointers lives until the call ends,
    // so the state written after the transition lands in a live object.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    enMsgResult result = NOTPROCESSED;
    BaseMsgPtr m(msg);
    while (m.Ok()) {
        const StateTblEnt* row = GetStateTbl();
        MXR_ASSERT(row != nullptr, "1 == 2", "BaseStateMach");
        while (row->TransTbl != nullptr && row->StateId != State) ++row;
        MXR_ASSERT(row->TransTbl != nullptr, "1 == 2", "BaseStateMach");
        const StateTransTblEnt* trans = row->TransTbl;
        while (trans->MsgIdAddr != nullptr && !m->IsOfType(*trans->MsgIdAddr)) ++trans;
        if (trans->MsgIdAddr == nullptr) break;
        MXR_ASSERT(trans->Func != nullptr, "Func != 0", "BaseStateMach");
        NextState = trans->NextState;
        BaseMsgPtr next = trans->Func(this, m);
        State = NextState;
        result = PROCESSED;
        m = next;
    }
    return result;
}
