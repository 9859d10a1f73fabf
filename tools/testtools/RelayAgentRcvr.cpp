#include "RelayAgentRcvr.h"

#include <cstdio>

#include "ClassDefine.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"

namespace {
// The path's settings as the relay asks for it; nothing reads the heartbeat
// figures, as the relay's heartbeat is its connection to the other manager.
constexpr int kPathPriority = 1;
constexpr int kHbInterval = 4;
constexpr int kHbMaxMiss = 3;
}  // namespace

MXR_LOCAL_CLASS_DEFINE_CUSTOM(RelayAgentRcvr);
MXR_LOCAL_FORMS(RelayAgentRcvr, BaseMsgRcvr);

RelayAgentRcvr::RelayAgentRcvr() = default;

RelayAgentRcvr::RelayAgentRcvr(const bStr& host, const bStr& otherHost, const bStr& devPath)
    : Host(host), OtherHost(otherHost), DevPath(devPath) {
    Route = new BaseAddrEnt(Host, BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(), this);
}

RelayAgentRcvr::~RelayAgentRcvr() = default;

BaseAddrPtr RelayAgentRcvr::AdminAddr() const { return BaseAddrPtr(new LogicalAddr(Host, LogicalAddr::MXRADMIN)); }

BaseAddrPtr RelayAgentRcvr::OwnAddr() {
    DynamicAddrPtr addr(new DynamicAddr(GetAddrPtr()->GetIdx(), GetAddrPtr()->GetUniq()));
    addr->SetHost(Host);
    return BaseAddrPtr(addr);
}

void RelayAgentRcvr::Register() {
    BaseAddrPtr to = AdminAddr();
    BaseMsgPtr reg(new MxrAdminRegisterCommAgentReqMsg(to, BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(), Host,
                                                       CommAgentEnt::TLI, bStr("")));
    reg->SetFrmAddr(OwnAddr());
    reg.Send();
}

int RelayAgentRcvr::IsPathCreated() const { return PathCreated; }

BaseMsgRcvr::enMsgResult RelayAgentRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    if (const MxrAdminRegisterCommAgentRspMsgPtr rsp(msg); rsp.Ok()) {
        SetCommAgentTagNum(rsp->GetRetVal());
        BaseAddrPtr to = AdminAddr();
        BaseMsgPtr create(new MxrAdminCreateCommPathReqMsg(to, OtherHost, Host, OtherHost, CommAgentEnt::TLI, DevPath,
                                                           kPathPriority, kHbInterval, kHbMaxMiss, 0, BaseMsgPtr()));
        create->SetFrmAddr(OwnAddr());
        create.Send();
        return PROCESSED;
    }
    if (const MxrAdminCreateCommPathRspMsgPtr rsp(msg); rsp.Ok()) {
        std::printf("hvrelay: path %s -> %s %s\n", Host.StrVal(), OtherHost.StrVal(),
                    rsp->GetRetVal() == 0 ? "created" : "refused");
        std::fflush(stdout);
        PathCreated = rsp->GetRetVal() == 0 ? 1 : 0;
        return PROCESSED;
    }
    return CommAgentMsgRcvr::MsgHdlr(msg, ctrl);
}

void RelayAgentRcvr::Report(PipeHead::HeartBeatStatus status) {
    BaseAddrPtr to = AdminAddr();
    BaseMsgPtr hb(new MxrAdminReportCommPathStatusReqMsg(to, GetCommAgentTagNum(), OtherHost, DevPath, status));
    hb->SetFrmAddr(OwnAddr());
    hb.Send();
}

int RelayAgentRcvr::AddHost(DestHostEntPtr path) {
    if (!path.Ok() || !(path->GetRemoteAlias() == OtherHost) || !(path->GetDevicePathName() == DevPath)) return 1;
    // The connection to the other manager is up (the relay asks for the
    // path only then): heartbeat and connection ALIVE.
    Report(PipeHead::ALIVE);
    BaseAddrPtr to = AdminAddr();
    BaseMsgPtr conn(
        new MxrAdminReportOutConnCompleteReqMsg(to, GetCommAgentTagNum(), OtherHost, PipeHead::ALIVE, DevPath));
    conn->SetFrmAddr(OwnAddr());
    conn.Send();
    ReportedUp = 1;
    return 0;
}

int RelayAgentRcvr::DeleteHost(DestHostEntPtr path) {
    if (!path.Ok() || !(path->GetRemoteAlias() == OtherHost)) return 1;
    ReportDead();
    return 0;
}

void RelayAgentRcvr::ReportDead() {
    if (ReportedUp == 0) return;
    ReportedUp = 0;
    Report(PipeHead::DEAD);
}
