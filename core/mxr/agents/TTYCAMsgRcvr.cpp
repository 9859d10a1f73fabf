#include "TTYCAMsgRcvr.h"

#include <string>

#include "BaseAddr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "CommAgentEnt.h"
#include "LogicalAddr.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "TTYCAMsgRcvrAddHostSM.h"
#include "TTYPipeHead.h"
#include "TTYPipePollAdptr.h"
#include "TTYTrace.h"

MXR_LOCAL_CLASS_DEFINE(TTYCAMsgRcvr);


TTYCAMsgRcvr::TTYCAMsgRcvr() { MXR_METHOD_FRAME("TTYCAMsgRcvr", 0); }

TTYCAMsgRcvr::TTYCAMsgRcvr(int registerAgent) {
    MXR_METHOD_FRAME("TTYCAMsgRcvr", 1);
    if (registerAgent == 0) return;
    TtyCAMsgRcvrLogicalEntPtr =
        LogicalAddrEntPtr(new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, BaseAddrPtr(GetAddrPtr())));
    MxrAdminRegisterCommAgentReqMsg* reg = new MxrAdminRegisterCommAgentReqMsg(
        BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)), BaseAddr::GetCurrentPid(),
        BaseAddr::GetCurrentTid(), bStr(""), CommAgentEnt::TTY, bStr(""));
    reg->SetFrmAddr(BaseAddrPtr(GetAddrPtr()));
    BaseMsgPtr(reg).Send();
}

TTYCAMsgRcvr::~TTYCAMsgRcvr() { MXR_METHOD_FRAME("~TTYCAMsgRcvr", 0); }

TTYCAMsgRcvrAddHostSMLst& TTYCAMsgRcvr::GetAddHostSMLst() {
    MXR_FRAME("TTYCAMsgRcvr", "GetAddHostSMLst", 0, "TTYCAMsgRcvr.c");
    static TTYCAMsgRcvrAddHostSMLst* lst = new TTYCAMsgRcvrAddHostSMLst();  // lives as long as the process
    return *lst;
}

BaseMsgRcvr::enMsgResult TTYCAMsgRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return CommAgentMsgRcvr::MsgHdlr(msg, ctrl);
}

BaseMsgRcvr::enMsgResult TTYCAMsgRcvr::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    const MxrAdminRegisterCommAgentRspMsgPtr rsp(msg);
    if (!rsp.Ok()) return NOTPROCESSED;
    ttyagent::TraceOut("Got MxrAdminRegisterCommAgentRspMsg, retVal(tagNum)=" + std::to_string(rsp->GetRetVal()));
    SetCommAgentTagNum(rsp->GetRetVal());
    return PROCESSED;
}

int TTYCAMsgRcvr::AddHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("AddHost", 1);
    ttyagent::TraceErr("TTYCAMsgRcvr::AddHost() " + std::string(static_cast<const char*>(path->GetRemoteAlias())));
    TTYCAMsgRcvrAddHostSMPtr sm(new TTYCAMsgRcvrAddHostSM(path->GetRemoteAlias(), path->GetDevicePathName(),
                                                          path->GetPriority(), path->GetHbInterval(),
                                                          path->GetHbMaxMiss(), path->GetBaudRate(), 0));
    sm->KickStart();
    return 0;
}

int TTYCAMsgRcvr::DeleteHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("DeleteHost", 1);
    const bStr alias = path->GetRemoteAlias();
    const bStr device = path->GetDevicePathName();
    ttyagent::TraceErr("TTYCAMsgRcvr::DeleteHost() deleting " + std::string(static_cast<const char*>(alias)));
    BaseWorld* world = BaseWorld::GetWorldPtr();
    if (world != nullptr) {
        // Found first, hung up after: the hang-up leaves the list walked.
        TTYPipeHeadPtr found;
        BasePollAdptrLstIter it(world->GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
            if (!a->IsOfType(TTYPipePollAdptr::ClassCode)) continue;
            const TTYPipeHeadPtr head(TTYPipePollAdptrPtr(a)->GetPipeHeadPtr());
            if (head.Ok() && head->GetDevicePath() == device) {
                found = head;
                break;
            }
        }
        if (found.Ok()) {
            ttyagent::TraceErr("TTYCAMsgRcvr::DeleteHostFound TTYPipePollAdptr");
            found->HupDetected();
            return 0;
        }
    }
    TTYCAMsgRcvrAddHostSMLstIter sms(GetAddHostSMLst());
    for (TTYCAMsgRcvrAddHostSMPtr sm = sms.First(); sm.GetPtr() != nullptr; sm = sms.Next()) {
        if (sm->GetRemHostName() == alias && sm->GetDevicePath() == device) {
            ttyagent::TraceErr("TTYCAMsgRcvr::DeleteHost() Found TTYCAMsgRcvrAddHostSM for " +
                               std::string(static_cast<const char*>(alias)));
            sms.DeleteCurrentItem();
            return 0;
        }
    }
    ttyagent::TraceErr("TTYCAMsgRcvr::DeleteHost() no PollAdptrs or state machines for host " +
                       std::string(static_cast<const char*>(alias)) + " found");
    return -1;
}
