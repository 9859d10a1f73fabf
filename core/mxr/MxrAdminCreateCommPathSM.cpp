#include "MxrAdminCreateCommPathSM.h"

#include <string>

#include "ClassDefine.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdmin.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "StateMachDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrAdminCreateCommPathSM);
MXR_LOCAL_FORMS(MxrAdminCreateCommPathSM, BaseStateMach);

namespace {

using SM = MxrAdminCreateCommPathSM;

const EnumCvtEnt stateNames[] = {
    {SM::START, "START"}, {SM::COMMAGENT, "COMMAGENT"}, {SM::PATH, "PATH"}, {SM::END, "END"}};

BaseMsgPtr CallStartReq(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransSTARTMxrAdminCreateCommPathReqMsg(m);
}
BaseMsgPtr CallAgentRsp(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransCOMMAGENTMxrAdminCreateCommAgentRspMsg(m);
}
BaseMsgPtr CallAgentTimeout(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransCOMMAGENTGenericTimeoutMsg(m);
}
BaseMsgPtr CallPathRsp(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransPATHCommAgentMsgRcvrAddHostRspMsg(m);
}
BaseMsgPtr CallPathTimeout(BaseMsgRcvr* r, BaseMsgPtr& m) { return static_cast<SM*>(r)->TransPATHGenericTimeoutMsg(m); }

const StateTransTblEnt startTrans[] = {
    {&MxrAdminCreateCommPathReqMsg::ClassCode, SM::COMMAGENT, &CallStartReq},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt agentTrans[] = {
    {&MxrAdminCreateCommAgentRspMsg::ClassCode, SM::PATH, &CallAgentRsp},
    {&GenericTimeoutMsg::ClassCode, SM::END, &CallAgentTimeout},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt pathTrans[] = {
    {&CommAgentMsgRcvrAddHostRspMsg::ClassCode, SM::END, &CallPathRsp},
    {&GenericTimeoutMsg::ClassCode, SM::END, &CallPathTimeout},
    {nullptr, 0, nullptr},
};
// A late answer or time-out finds no row here: not processed, logged.
const StateTransTblEnt endTrans[] = {{nullptr, 0, nullptr}};
const StateTblEnt table[] = {
    {SM::START, startTrans, 0},
    {SM::COMMAGENT, agentTrans, 0},
    {SM::PATH, pathTrans, 0},
    {SM::END, endTrans, 0},
    {0, nullptr, 0},
};

const char* kStart = "MxrAdminCreateCommPathSM: START";

}  // namespace

MXR_STATE_MACH_DEFINE(MxrAdminCreateCommPathSM, stateNames, table, START);

BaseMsgPtr MxrAdminCreateCommPathSM::TransSTARTMxrAdminCreateCommPathReqMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTMxrAdminCreateCommPathReqMsg", 1);
    MxrAdmin::Progress(kStart);
    const MxrAdminCreateCommPathReqMsgPtr req(msg);
    ReqMsgPtr = msg;
    RemHostName = req->GetRemoteHostName();
    LocalAlias = req->GetLocalAlias();
    RemoteAlias = req->GetRemoteAlias();
    CommAgentType = req->GetCommAgentType();
    DevPathName = req->GetDevPathName();
    Priority = req->GetPriority();
    BaudRate = req->GetBaudRate();
    HbInterval = req->GetHbInterval();
    HbMaxMiss = req->GetHbMaxMiss();
    InitMsg = req->GetInitMsg();

    CommPathEntPtr =
        new DestHostEnt(RemoteAlias, Priority, LocalAlias, DevPathName, RemHostName, HbInterval, HbMaxMiss, BaudRate);
    CommPathEntPtr->SetConnectionStatus(DestHostEnt::INITIALIZING);

    RhePtr = MxrAdmin::FindRemoteHost(RemHostName);
    if (RhePtr.GetPtr() != nullptr) {
        MxrAdmin::Progress(std::string(kStart) + " Found RHE");
    } else {
        MxrAdmin::Progress(std::string(kStart) + " Did Not Find RHE");
        RhePtr = new RemoteHostEnt(RemHostName);
        MxrAdmin::GetRemoteHostEntLst().Append(RhePtr);
    }

    // The first ALIVE match serves the path, unless a match that is not
    // alive stands before it.
    bool matchedNotAlive = false;
    CommAgentEntLstIter agents(MxrAdmin::GetCommAgentEntLst());
    for (CaePtr = agents.First(); CaePtr.GetPtr() != nullptr; CaePtr = agents.Next()) {
        if (CaePtr->IsaMatch(CommAgentType, LocalAlias, DevPathName) != 0) continue;
        if (CaePtr->GetCommAgentStatus() == CommAgentEnt::ALIVE) {
            MxrAdmin::Progress(std::string(kStart) + " Found CAE ALIVE ");
            break;
        }
        MxrAdmin::Progress(std::string(kStart) + " Found CAE BUT not alive ");
        matchedNotAlive = true;
    }
    if (CaePtr.GetPtr() == nullptr) MxrAdmin::Progress(std::string(kStart) + " Did NOT Find CAE");
    if (CaePtr.GetPtr() != nullptr && !matchedNotAlive) {
        MxrAdmin::Progress(std::string(kStart) + " Found CAE : AddHosttoCA()");
        AddHosttoCA();
        TimerTagPtr_ = MxrAdmin::StartWaitTimer(*this);
        SetNextState(PATH);
        return BaseMsgPtr();
    }
    MxrAdmin::Progress(std::string(kStart) + " Create Comm Agent");
    BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), 0, 0, LogicalAddr::MXRADMIN));
    BaseMsgPtr ask(new MxrAdminCreateCommAgentReqMsg(admin, LocalAlias, CommAgentType, DevPathName, InitMsg));
    ask->SetFrmAddr(GetAddrPtr());
    TimerTagPtr_ = MxrAdmin::StartWaitTimer(*this);
    ask.Send();
    return BaseMsgPtr();
}

void MxrAdminCreateCommPathSM::AddHosttoCA() {
    MXR_METHOD_FRAME("AddHosttoCA", 0);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM::AddHosttoCA()");
    CaePtr->AddPath(CommPathEntPtr);
    BaseAddrPtr agent(
        new LogicalAddr(BaseAddr::GetCurrentHost(), CaePtr->GetPid(), CaePtr->GetTid(), LogicalAddr::COMMAGENTMSGRCVR));
    BaseMsgPtr add(new CommAgentMsgRcvrAddHostReqMsg(agent, CommPathEntPtr));
    add->SetFrmAddr(GetAddrPtr());
    add.Send();
}

BaseMsgPtr MxrAdminCreateCommPathSM::TransCOMMAGENTMxrAdminCreateCommAgentRspMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransCOMMAGENTMxrAdminCreateCommAgentRspMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM: COMMAGENT");
    if (TimerTagPtr_.GetPtr() != nullptr) TimerTagPtr_->ResetTimer();
    CaePtr = MxrAdmin::FindMatchingAgent(CommAgentType, LocalAlias, DevPathName);
    if (CaePtr.GetPtr() == nullptr) {
        MxrAdmin::Progress("MxrAdminCreateCommPathSM: COMMAGENT Did Not Find CAE");
        return BaseMsgPtr();
    }
    MxrAdmin::Progress("MxrAdminCreateCommPathSM: COMMAGENT Found CAE");
    AddHosttoCA();
    return BaseMsgPtr();
}

BaseMsgPtr MxrAdminCreateCommPathSM::TransCOMMAGENTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransCOMMAGENTGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM: COMMAGENT Timed out");
    return SendBackErrMsg(1);
}

BaseMsgPtr MxrAdminCreateCommPathSM::TransPATHCommAgentMsgRcvrAddHostRspMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransPATHCommAgentMsgRcvrAddHostRspMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM: PATH");
    if (TimerTagPtr_.GetPtr() != nullptr) TimerTagPtr_->CancelTimer();
    Answer(0);
    return BaseMsgPtr();
}

BaseMsgPtr MxrAdminCreateCommPathSM::TransPATHGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransPATHGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM: PATH Timed out");
    return SendBackErrMsg(1);
}

BaseMsgPtr MxrAdminCreateCommPathSM::SendBackErrMsg(int retVal) {
    MXR_METHOD_FRAME("SendBackErrMsg", 1);
    MxrAdmin::Progress("MxrAdminCreateCommPathSM::SendBackErrMsg()");
    Answer(retVal);
    return BaseMsgPtr();
}

void MxrAdminCreateCommPathSM::Answer(int retVal) {
    MxrAdmin::AnswerAndLeave<MxrAdminCreateCommPathRspMsg, MxrAdminCreateCommPathReqMsg>(ReqMsgPtr, retVal,
                                                                                         MxrAdmin::GetCcpSMLst(), this);
}

RemoteHostEntPtr MxrAdminCreateCommPathSM::GetRhePtr() const { return RhePtr; }
CommAgentEntPtr MxrAdminCreateCommPathSM::GetCaePtr() const { return CaePtr; }
DestHostEntPtr MxrAdminCreateCommPathSM::GetCommPathEntPtr() const { return CommPathEntPtr; }
TimerTagPtr MxrAdminCreateCommPathSM::GetTimerTagPtr() const { return TimerTagPtr_; }
BaseMsgPtr MxrAdminCreateCommPathSM::GetReqMsgPtr() const { return ReqMsgPtr; }
