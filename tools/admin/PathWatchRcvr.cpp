#include "PathWatchRcvr.h"

#include <cstdio>

#include "ClassDefine.h"
#include "CommPathStatusMsg.h"
#include "LogicalAddr.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"

MXR_LOCAL_CLASS_DEFINE(PathWatchRcvr);

PathWatchRcvr::PathWatchRcvr() { MXR_METHOD_FRAME("PathWatchRcvr", 0); }

PathWatchRcvr::~PathWatchRcvr() { MXR_METHOD_FRAME("~PathWatchRcvr", 0); }

void PathWatchRcvr::Register() {
    const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
    const CommPathStatusMsgPtr notice(new CommPathStatusMsg(GetAddrPtr()));
    BaseMsgPtr req(new MxrAdminRegisterCommPathNotifyStatusReqMsg(admin, notice));
    req->SetFrmAddr(GetAddrPtr());
    req.Send();
}

BaseMsgRcvr::enMsgResult PathWatchRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (const MxrAdminRegisterCommPathNotifyStatusRspMsgPtr r(msg); r.Ok()) {
        std::printf(r->GetRetVal() == 1 ? "watching\n" : "not watching: the administrator refused the listener\n");
        std::fflush(stdout);
        return PROCESSED;
    }
    if (const CommPathStatusMsgPtr n(msg); n.Ok()) {
        const bStr kind = CommAgentEnt::GetCommAgentTypeCvtPtr()->GetStr(n->GetCommAgentType());
        const bStr status = PipeHead::GetHeartBeatStatusCvtPtr()->GetStr(n->GetStatus());
        std::printf("PATH %s %s %s %s %s %s\n", n->GetLocalAlias().StrVal(), n->GetDevPathName().StrVal(),
                    kind == "" ? "?" : kind.StrVal(), n->GetRemoteHost().StrVal(), n->GetRemoteAlias().StrVal(),
                    status == "" ? "?" : status.StrVal());
        std::fflush(stdout);
        return PROCESSED;
    }
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
