#include "SOCKCAMsgRcvr.h"

#include <string>
#include <vector>

#include "BaseAddr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "SOCKCAMsgRcvrAddHostSM.h"
#include "SOCKCASetUpListenSM.h"
#include "SOCKConnectPollAdptr.h"
#include "SOCKListenPollAdptr.h"
#include "SOCKPipeHead.h"
#include "SOCKPipePollAdptr.h"
#include "SockPeerTable.h"
#include "SockTrace.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SOCKCAMsgRcvr);
MXR_LOCAL_FORMS(SOCKCAMsgRcvr, BaseMsgRcvr);

SOCKCAMsgRcvr::SOCKCAMsgRcvr() { MXR_METHOD_FRAME("SOCKCAMsgRcvr", 0); }

SOCKCAMsgRcvr::SOCKCAMsgRcvr(SockNetConfig* netConfig, const bStr& alias)
    : NetConfigP(netConfig), LocalAlias(alias.StrLen() > 0 ? alias : BaseAddr::GetCurrentHost()) {
    MXR_METHOD_FRAME("SOCKCAMsgRcvr", 2);
    SockCAMsgRcvrLogicalEntPtr =
        LogicalAddrEntPtr(new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, BaseAddrPtr(GetAddrPtr())));
    BaseMsgPtr reg(new MxrAdminRegisterCommAgentReqMsg(
        BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)), BaseAddr::GetCurrentPid(),
        BaseAddr::GetCurrentTid(), LocalAlias, CommAgentEnt::TLI, bStr()));
    // Built outside any dispatch: the answer must know where to come back.
    reg->SetFrmAddr(BaseAddrPtr(GetAddrPtr()));
    reg.Send();
}

SOCKCAMsgRcvr::~SOCKCAMsgRcvr() { MXR_METHOD_FRAME("~SOCKCAMsgRcvr", 0); }

bStr SOCKCAMsgRcvr::GetLocalAlias() const { return LocalAlias; }
SockNetConfig* SOCKCAMsgRcvr::GetNetConfigP() const { return NetConfigP; }

BaseMsgRcvr::enMsgResult SOCKCAMsgRcvr::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    const MxrAdminRegisterCommAgentRspMsgPtr rsp(msg);
    if (!rsp.Ok()) return NOTPROCESSED;
    SockTrace("Got MxrAdminRegisterCommAgentRspMsg, retVal(tagNum)=" + std::to_string(rsp->GetRetVal()));
    SetCommAgentTagNum(rsp->GetRetVal());
    return PROCESSED;
}

int SOCKCAMsgRcvr::AddHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("AddHost", 1);
    if (!path.Ok()) return -1;
    SockPeerAdd(path->GetDevicePathName(), path->GetRemoteAlias(), path->GetRemoteHostName());
    SOCKCASetUpListenSMPtr listen(new SOCKCASetUpListenSM(LocalAlias, NetConfigP, path->GetDevicePathName(),
                                                         path->GetPriority(), path->GetHbInterval(),
                                                         path->GetHbMaxMiss()));
    listen->KickStart();
    SockTrace(std::string("SOCKCAMsgRcvr::AddHost() ") + static_cast<const char*>(path->GetRemoteAlias()));
    SOCKCAMsgRcvrAddHostSMPtr connect(new SOCKCAMsgRcvrAddHostSM(path->GetRemoteAlias(), NetConfigP,
                                                                path->GetDevicePathName(), path->GetPriority(),
                                                                path->GetHbInterval(), path->GetHbMaxMiss(), 0));
    connect->KickStart();
    return 0;
}

namespace {
// The first registered adaptor of type A that match accepts, or null.
template <class APtr, class Match>
APtr FindAdaptor(Match match) {
    BaseWorld* world = BaseWorld::GetWorldPtr();
    if (world == nullptr) return APtr();
    BasePollAdptrLstIter it(world->GetPollManager().GetPollAdptrLst());
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
        const APtr typed{BasePtr(a.GetPtr())};
        if (typed.Ok() && match(typed)) return typed;
    }
    return APtr();
}

SOCKPipeHeadPtr HeadOf(const SOCKPipePollAdptrPtr& a) { return SOCKPipeHeadPtr{BasePtr(a->GetPipeHeadPtr().GetPtr())}; }
}  // namespace

int SOCKCAMsgRcvr::DeleteHost(DestHostEntPtr path) {
    MXR_METHOD_FRAME("DeleteHost", 1);
    if (!path.Ok()) return -1;
    const bStr remote = path->GetRemoteAlias();
    const bStr device = path->GetDevicePathName();
    SockTrace(std::string("SOCKCAMsgRcvr::DeleteHost() deleting ") + static_cast<const char*>(remote));
    SockPeerRemove(device, remote, path->GetRemoteHostName());
    // What the path has, per direction: its connection, else its adaptor,
    // else its pending set-up. The listen stays open while the device
    // has paths, so the inbound side closes the listen too.
    int outbound = 0;
    int inbound = 0;
    // Outbound: found by the alias the path connected to, whatever name the
    // peer gave itself.
    const SOCKPipePollAdptrPtr out = FindAdaptor<SOCKPipePollAdptrPtr>([&](const SOCKPipePollAdptrPtr& a) {
        const SOCKPipeHeadPtr h = HeadOf(a);
        return h.Ok() && h->GetInOrOut() == SOCKPipeHead::__OUT && h->GetPathRemoteAlias() == remote &&
               h->GetDevicePath() == device;
    });
    if (out.Ok()) {
        HeadOf(out)->HupDetected();
        ++outbound;
    }
    if (outbound == 0) {
        const SOCKConnectPollAdptrPtr c = FindAdaptor<SOCKConnectPollAdptrPtr>([&](const SOCKConnectPollAdptrPtr& a) {
            return a->GetRemHostName() == remote && a->GetDevicePathName() == device;
        });
        if (c.Ok()) {
            c->DeRegister();
            ++outbound;
        }
    }
    if (outbound == 0) {
        SOCKCAMsgRcvrAddHostSMLstIter it(GetAddHostSMLst());
        for (SOCKCAMsgRcvrAddHostSMPtr sm = it.First(); sm.GetPtr() != nullptr; sm = it.Next()) {
            if (sm->GetRemHostName() == remote && sm->GetDevicePathName() == device) {
                sm->CleanUp();
                it.DeleteCurrentItem();
                ++outbound;
                break;
            }
        }
    }
    // Every inbound connection on the device (a path's newest and any that
    // has not introduced itself yet).
    std::vector<SOCKPipeHeadPtr> inbounds;
    BaseWorld* world = BaseWorld::GetWorldPtr();
    if (world != nullptr) {
        BasePollAdptrLstIter it(world->GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
            const SOCKPipeHeadPtr h = SockHeadOf(a);
            if (h.Ok() && h->GetInOrOut() == SOCKPipeHead::__IN && h->GetDevicePath() == device) inbounds.push_back(h);
        }
    }
    for (const SOCKPipeHeadPtr& h : inbounds) {
        h->HupDetected();
        ++inbound;
    }
    if (!SockPeerAnyOn(device)) {
        // By device name only, as the listen set-ups: a listen started again
        // after a hang-up may carry another alias than the path's.
        const SOCKListenPollAdptrPtr l = FindAdaptor<SOCKListenPollAdptrPtr>(
            [&](const SOCKListenPollAdptrPtr& a) { return a->GetDevicePathName() == device; });
        if (l.Ok()) {
            l->DeRegister();
            ++inbound;
        }
        SOCKCASetUpListenSMLstIter it(GetSetUpListenSMLst());
        for (SOCKCASetUpListenSMPtr sm = it.First(); sm.GetPtr() != nullptr; sm = it.Next()) {
            if (sm->GetDevicePathName() == device) {
                sm->CleanUp();
                it.DeleteCurrentItem();
                ++inbound;
                break;
            }
        }
    }
    return outbound > 0 && inbound > 0 ? 0 : -1;
}
