#include "PathWatchRcvr.h"

#include <cstdio>

#include "ClassDefine.h"
#include "CommPathStatusMsg.h"
#include "LogicalAddr.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"

MXR_LOCAL_CLASS_DEFINE(PathWatchRcvr);

namespace {

const char* KindName(CommAgentEnt::CommAgentType t) {
    static const char* names[] = {"OTHER", "TLI", "TTY", "SCSI", "TARGETMODE", "MANUAL", "TTYMODEM"};
    return t >= 0 && t <= 6 ? names[t] : "?";
}

const char* StatusName(PipeHead::HeartBeatStatus s) {
    static const char* names[] = {"NONE", "INITIALIZING", "ALIVE", "DEAD"};
    return s >= 0 && s <= 3 ? names[s] : "?";
}

}  // namespace

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
        std::printf("PATH %s %s %s %s %s %s\n", n->GetLocalAlias().StrVal(), n->GetDevPathName().StrVal(),
                    KindName(n->GetCommAgentType()), n->GetRemoteHost().StrVal(), n->GetRemoteAlias().StrVal(),
                    StatusName(n->GetStatus()));
        std::fflush(stdout);
        return PROCESSED;
    }
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
