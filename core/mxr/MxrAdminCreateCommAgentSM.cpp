#include "MxrAdminCreateCommAgentSM.h"

#include <string>

#include "ClassDefine.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "MxrAdmin.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "StateMachDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrAdminCreateCommAgentSM);
MXR_LOCAL_FORMS(MxrAdminCreateCommAgentSM, BaseStateMach);

namespace {

using SM = MxrAdminCreateCommAgentSM;

const EnumCvtEnt stateNames[] = {{SM::START, "START"}, {SM::WAITFORREGISTER, "WAITFORREGISTER"}, {SM::END, "END"}};

BaseMsgPtr CallStartReq(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransSTARTMxrAdminCreateCommAgentReqMsg(m);
}
BaseMsgPtr CallWaitRegister(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransWAITFORREGISTERMxrAdminRegisterCommAgentReqMsg(m);
}
BaseMsgPtr CallWaitTimeout(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransWAITFORREGISTERGenericTimeoutMsg(m);
}

const StateTransTblEnt startTrans[] = {
    {&MxrAdminCreateCommAgentReqMsg::ClassCode, SM::WAITFORREGISTER, &CallStartReq},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt waitTrans[] = {
    {&MxrAdminRegisterCommAgentReqMsg::ClassCode, SM::END, &CallWaitRegister},
    {&GenericTimeoutMsg::ClassCode, SM::END, &CallWaitTimeout},
    {nullptr, 0, nullptr},
};
// A late registration or time-out finds no row here: not processed, logged.
const StateTransTblEnt endTrans[] = {{nullptr, 0, nullptr}};
const StateTblEnt table[] = {
    {SM::START, startTrans, 0},
    {SM::WAITFORREGISTER, waitTrans, 0},
    {SM::END, endTrans, 0},
    {0, nullptr, 0},
};

}  // namespace

MXR_STATE_MACH_DEFINE(MxrAdminCreateCommAgentSM, stateNames, table, START);

BaseMsgPtr MxrAdminCreateCommAgentSM::TransSTARTMxrAdminCreateCommAgentReqMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTMxrAdminCreateCommAgentReqMsg", 1);
    MxrAdmin::Progress("MxrAdminCreateCommAgentSM: START");
    const MxrAdminCreateCommAgentReqMsgPtr req(msg);
    ReqMsgPtr = msg;
    LocalAlias = req->GetLocalAlias();
    CommAgentType = req->GetCommAgentType();
    DevPathName = req->GetDevPathName();
    InitMsg = req->GetInitMsg();

    CaePtr = MxrAdmin::FindMatchingAgent(CommAgentType, LocalAlias, DevPathName);
    if (CaePtr.GetPtr() != nullptr) {
        MxrAdmin::Progress("MxrAdminCreateCommAgentSM: START Found CAE");
        if (CaePtr->GetCommAgentStatus() == CommAgentEnt::ALIVE) return SendBackRspMsg();
    } else {
        MxrAdmin::Progress("MxrAdminCreateCommAgentSM: START Did Not Find CAE");
        CaePtr = new CommAgentEnt(0, 0, LocalAlias, CommAgentType, DevPathName);
        MxrAdmin::GetCommAgentEntLst().Append(CaePtr);
    }
    TimerTagPtr_ = MxrAdmin::StartWaitTimer(*this);
    return BaseMsgPtr();
}

BaseMsgPtr MxrAdminCreateCommAgentSM::TransWAITFORREGISTERMxrAdminRegisterCommAgentReqMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransWAITFORREGISTERMxrAdminRegisterCommAgentReqMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommAgentSM: WAITFORREGISTER");
    if (TimerTagPtr_.GetPtr() != nullptr) TimerTagPtr_->CancelTimer();
    return SendBackRspMsg();
}

BaseMsgPtr MxrAdminCreateCommAgentSM::TransWAITFORREGISTERGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransWAITFORREGISTERGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommAgentSM: Timed Out");
    return SendBackErrMsg(1);
}

BaseMsgPtr MxrAdminCreateCommAgentSM::SendBackRspMsg() {
    MXR_METHOD_FRAME("SendBackRspMsg", 0);
    MxrAdmin::Progress("MxrAdminCreateCommAgentSM::SendBackRspMsg()");
    return Answer(0);
}

BaseMsgPtr MxrAdminCreateCommAgentSM::SendBackErrMsg(int retVal) {
    MXR_METHOD_FRAME("SendBackErrMsg", 1);
    MxrAdmin::Progress("MxrAdminCreateCommAgentSM::SendBackErrMsg()");
    return Answer(retVal);
}

BaseMsgPtr MxrAdminCreateCommAgentSM::Answer(int retVal) {
    MxrAdmin::AnswerAndLeave<MxrAdminCreateCommAgentRspMsg, MxrAdminCreateCommAgentReqMsg>(
        ReqMsgPtr, retVal, MxrAdmin::GetCCASMLst(), this);
    return BaseMsgPtr();
}

CommAgentEntPtr MxrAdminCreateCommAgentSM::GetCaePtr() const { return CaePtr; }
bStr MxrAdminCreateCommAgentSM::GetLocalAlias() const { return LocalAlias; }
CommAgentEnt::CommAgentType MxrAdminCreateCommAgentSM::GetCommAgentType() const { return CommAgentType; }
bStr MxrAdminCreateCommAgentSM::GetDevPathName() const { return DevPathName; }
BaseMsgPtr MxrAdminCreateCommAgentSM::GetInitMsg() const { return InitMsg; }
TimerTagPtr MxrAdminCreateCommAgentSM::GetTimerTagPtr() const { return TimerTagPtr_; }
BaseMsgPtr MxrAdminCreateCommAgentSM::GetReqMsgPtr() const { return ReqMsgPtr; }
