#include "MxrAdminDeleteCommPathSM.h"

#include <sstream>
#include <string>

#include "ClassDefine.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminDeleteCommPathReqMsg.h"
#include "MxrWorld.h"
#include "StateMachDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrAdminDeleteCommPathSM);
MXR_LOCAL_FORMS(MxrAdminDeleteCommPathSM, BaseStateMach);

namespace {

using SM = MxrAdminDeleteCommPathSM;

const EnumCvtEnt stateNames[] = {{SM::START, "START"}, {SM::COMMAGENT, "COMMAGENT"}, {SM::END, "END"}};

BaseMsgPtr CallStartReq(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransSTARTMxrAdminDeleteCommPathReqMsg(m);
}
BaseMsgPtr CallAgentRsp(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransCOMMAGENTCommAgentMsgRcvrDeleteHostRspMsg(m);
}
BaseMsgPtr CallAgentTimeout(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<SM*>(r)->TransCOMMAGENTGenericTimeoutMsg(m);
}

const StateTransTblEnt startTrans[] = {
    {&MxrAdminDeleteCommPathReqMsg::ClassCode, SM::COMMAGENT, &CallStartReq},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt agentTrans[] = {
    {&CommAgentMsgRcvrDeleteHostRspMsg::ClassCode, SM::END, &CallAgentRsp},
    {&GenericTimeoutMsg::ClassCode, SM::END, &CallAgentTimeout},
    {nullptr, 0, nullptr},
};
// A late answer or time-out finds no row here: not processed, logged.
const StateTransTblEnt endTrans[] = {{nullptr, 0, nullptr}};
const StateTblEnt table[] = {
    {SM::START, startTrans, 0},
    {SM::COMMAGENT, agentTrans, 0},
    {SM::END, endTrans, 0},
    {0, nullptr, 0},
};

}  // namespace

MXR_STATE_MACH_DEFINE(MxrAdminDeleteCommPathSM, stateNames, table, START);

BaseMsgPtr MxrAdminDeleteCommPathSM::TransSTARTMxrAdminDeleteCommPathReqMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTMxrAdminDeleteCommPathReqMsg", 1);
    const MxrAdminDeleteCommPathReqMsgPtr req(msg);
    ReqMsgPtr = msg;
    RemHostName = req->GetRemoteHostName();
    LocalAlias = req->GetLocalAlias();
    RemoteAlias = req->GetRemoteAlias();
    CommAgentType = req->GetCommAgentType();
    DevPathName = req->GetDevPathName();
    const DestHostEntPtr probe(new DestHostEnt(RemoteAlias, 0, LocalAlias, DevPathName, RemHostName));

    RhePtr = MxrAdmin::FindRemoteHost(RemHostName);
    if (RhePtr.GetPtr() == nullptr) {
        MxrAdmin::Progress(std::string("Attempt to delete comm path to unknown remote host:") + RemHostName.StrVal());
        return Answer(1);
    }
    CaePtr = MxrAdmin::FindMatchingAgent(CommAgentType, LocalAlias, DevPathName);
    if (CaePtr.GetPtr() == nullptr) {
        std::ostringstream line;
        line << "Attempt to delete comm path to for Unknown Comm Agent local alios: " << LocalAlias
             << "Pathname:" << DevPathName << "type: " << static_cast<int>(CommAgentType);
        MxrAdmin::Progress(line.str());
        return Answer(1);
    }
    if (CaePtr->DelPath(probe) != 0) return Answer(1);

    BaseAddrPtr agent(
        new LogicalAddr(BaseAddr::GetCurrentHost(), CaePtr->GetPid(), CaePtr->GetTid(), LogicalAddr::COMMAGENTMSGRCVR));
    BaseMsgPtr del(new CommAgentMsgRcvrDeleteHostReqMsg(agent, probe));
    del->SetFrmAddr(GetAddrPtr());
    del.Send();
    TimerTagPtr_ = MxrAdmin::StartWaitTimer(*this);
    return BaseMsgPtr();
}

void MxrAdminDeleteCommPathSM::ReportDown() {
    if (auto* world = dynamic_cast<MxrWorld*>(BaseWorld::GetWorldPtr()))
        world->GetMxrAdmin().ReportCommPathEvent(LocalAlias, DevPathName, CommAgentType, RemHostName, RemoteAlias,
                                                 PipeHead::DEAD);
}

BaseMsgPtr MxrAdminDeleteCommPathSM::TransCOMMAGENTCommAgentMsgRcvrDeleteHostRspMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransCOMMAGENTCommAgentMsgRcvrDeleteHostRspMsg", 1);
    static_cast<void>(msg);
    ReportDown();
    if (TimerTagPtr_.GetPtr() != nullptr) TimerTagPtr_->CancelTimer();
    return Answer(0);
}

// The path has already left the agent's record: the listeners learn that it
// is down all the same.
BaseMsgPtr MxrAdminDeleteCommPathSM::TransCOMMAGENTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransCOMMAGENTGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    ReportDown();
    return Answer(1);
}

BaseMsgPtr MxrAdminDeleteCommPathSM::Answer(int retVal) {
    MxrAdmin::AnswerAndLeave<MxrAdminDeleteCommPathRspMsg, MxrAdminDeleteCommPathReqMsg>(
        ReqMsgPtr, retVal, MxrAdmin::GetDeleteCPSMLst(), this);
    return BaseMsgPtr();
}

RemoteHostEntPtr MxrAdminDeleteCommPathSM::GetRhePtr() const { return RhePtr; }
CommAgentEntPtr MxrAdminDeleteCommPathSM::GetCaePtr() const { return CaePtr; }
TimerTagPtr MxrAdminDeleteCommPathSM::GetTimerTagPtr() const { return TimerTagPtr_; }
BaseMsgPtr MxrAdminDeleteCommPathSM::GetReqMsgPtr() const { return ReqMsgPtr; }
