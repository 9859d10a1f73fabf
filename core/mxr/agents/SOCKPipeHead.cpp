#include "SOCKPipeHead.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include <sstream>
#include <string>

#include "AgentPeerRules.h"
#include "BaseAddr.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "PipeDeRegMsg.h"
#include "PipeRegMsg.h"
#include "SOCKCAMsgRcvr.h"
#include "SOCKCAMsgRcvrAddHostSM.h"
#include "SOCKCASetUpListenSM.h"
#include "SOCKCAWorld.h"
#include "SOCKConnectPollAdptr.h"
#include "SOCKListenPollAdptr.h"
#include "SOCKPipePollAdptr.h"
#include "SockPeerTable.h"
#include "SockTrace.h"
#include "TimerManager.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SOCKPipeHead);
MXR_LOCAL_FORMS(SOCKPipeHead, BaseMsgRcvr);
MXR_ENUM_TABLE(SOCKPipeHead, GetEnDirCvtPtr, __IN, __OUT);

int _serialize(BasePktCtrl& c, SOCKPipeHead::enDir& v) {
    MXR_FRAME_OF_(SOCKPipeHead, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}

namespace {
int WorldInterval() {
    const SOCKCAWorld* w = SOCKCAWorld::Current();
    return w != nullptr ? w->GetHeartbeatInterval() : 0;
}
int WorldMaxMiss() {
    const SOCKCAWorld* w = SOCKCAWorld::Current();
    return w != nullptr ? w->GetHeartbeatMaxMiss() : 0;
}
// The path's value, else the world's; 0 leaves the framework's default.
unsigned Chosen(int pathValue, int worldValue) {
    if (pathValue > 0) return static_cast<unsigned>(pathValue);
    return worldValue > 0 ? static_cast<unsigned>(worldValue) : 0;
}
BaseAddrPtr AdminAddr() { return BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)); }
BaseAddrPtr ManagerAddr() { return BaseAddrPtr(new BaseAddr(BaseAddr::GetCurrentHost(), 0, 0)); }
// Reports leave from the poll step as well as from dispatch: the from-address
// is always this head's.
void SendFrom(BaseMsgRcvr& from, BaseMsg* msg) {
    BaseMsgPtr m(msg);
    m->SetFrmAddr(BaseAddrPtr(from.GetAddrPtr()));
    m.Send();
}
// Whether the device has a registered listen or a listen set-up under way.
bool ListenOpenFor(const bStr& device) {
    if (BaseWorld::GetWorldPtr() == nullptr) return false;
    BasePollAdptrLstIter it(BaseWorld::GetWorldPtr()->GetPollManager().GetPollAdptrLst());
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
        const SOCKListenPollAdptrPtr l{BasePtr(a.GetPtr())};
        if (l.Ok() && l->GetDevicePathName() == device) return true;
    }
    SOCKCASetUpListenSMLstIter sms(GetSetUpListenSMLst());
    for (SOCKCASetUpListenSMPtr sm = sms.First(); sm.GetPtr() != nullptr; sm = sms.Next())
        if (sm->GetDevicePathName() == device) return true;
    return false;
}
}  // namespace

SOCKPipeHeadPtr SockHeadOf(const BasePollAdptrPtr& a) {
    const SOCKPipePollAdptrPtr sp{BasePtr(a.GetPtr())};
    if (!sp.Ok()) return SOCKPipeHeadPtr();
    return SOCKPipeHeadPtr{BasePtr(sp->GetPipeHeadPtr().GetPtr())};
}

SOCKPipeHead::SOCKPipeHead()
    : InOrOut(__IN), RemPid(0), RemTid(0), PathHbInterval(0), PathHbMaxMiss(0), GotInit(0), HungUp(0) {
    MXR_METHOD_FRAME("SOCKPipeHead", 0);
}

SOCKPipeHead::SOCKPipeHead(int fd, const SOCKListenPollAdptrPtr& listen, const bStr& devicePath, int hbInterval,
                           int hbMaxMiss)
    : PipeHead(fd),
      InOrOut(__IN),
      DevicePath(devicePath),
      RemPid(0),
      RemTid(0),
      PathHbInterval(hbInterval),
      PathHbMaxMiss(hbMaxMiss),
      GotInit(0),
      HungUp(0) {
    MXR_METHOD_FRAME("SOCKPipeHead", 5);
    ComPriority = 0;
    HbInterval = Chosen(hbInterval, WorldInterval());
    HbMaxMiss = Chosen(hbMaxMiss, WorldMaxMiss());
    if (listen.Ok()) ListenAlias = listen->GetLocalAlias();
}

SOCKPipeHead::SOCKPipeHead(int fd, const SOCKConnectPollAdptrPtr& connect, const bStr& devicePath, int priority,
                           int hbInterval)
    : PipeHead(fd),
      InOrOut(__OUT),
      DevicePath(devicePath),
      RemPid(0),
      RemTid(0),
      PathHbInterval(hbInterval),
      PathHbMaxMiss(0),
      GotInit(0),
      HungUp(0) {
    MXR_METHOD_FRAME("SOCKPipeHead", 5);
    ComPriority = priority;
    HbInterval = Chosen(hbInterval, WorldInterval());
    if (connect.Ok()) {
        PathRemoteAlias = connect->GetRemHostName();
        PathHbMaxMiss = connect->GetHbMaxMiss();
        connect->DeRegister();
    }
}

SOCKPipeHead::~SOCKPipeHead() {
    MXR_METHOD_FRAME("~SOCKPipeHead", 0);
    StopInitWatch();
}

SOCKPipeHead::enDir SOCKPipeHead::GetInOrOut() const { return InOrOut; }
void SOCKPipeHead::SetInOrOut(enDir dir) { InOrOut = dir; }
bStr SOCKPipeHead::GetRemHostName() const { return RemHostName; }
void SOCKPipeHead::SetRemHostName(const bStr& name) { RemHostName = name; }
bStr SOCKPipeHead::GetDevicePath() const { return DevicePath; }
void SOCKPipeHead::SetDevicePath(const bStr& path) { DevicePath = path; }
long SOCKPipeHead::GetRemPid() const { return RemPid; }
void SOCKPipeHead::SetRemPid(long pid) { RemPid = pid; }
long SOCKPipeHead::GetRemTid() const { return RemTid; }
void SOCKPipeHead::SetRemTid(long tid) { RemTid = tid; }
bStr SOCKPipeHead::GetPathRemoteAlias() const { return PathRemoteAlias; }
bStr SOCKPipeHead::GetListenAlias() const { return ListenAlias; }
int SOCKPipeHead::GetPathHbMaxMiss() const { return PathHbMaxMiss; }
int SOCKPipeHead::GetGotInit() const { return GotInit; }

int SOCKPipeHead::AgentTag() const {
    const SOCKCAWorld* w = SOCKCAWorld::Current();
    if (w == nullptr) return 0;
    const SOCKCAMsgRcvrPtr rcvr = w->GetSockCAMsgRcvrPtr();
    return rcvr.Ok() ? rcvr->GetCommAgentTagNum() : 0;
}

int SOCKPipeHead::Initialize() {
    MXR_METHOD_FRAME("Initialize", 0);
    const int rc = PipeHead::Initialize();
    if (rc != 0 || InOrOut != __IN) return rc;
    // A stranger who connects and says nothing must not hold the path's only
    // listen for longer than a silent peer would be allowed to.
    const unsigned interval = HbInterval > 0 ? HbInterval : GetDefaultHbInterval();
    const unsigned misses = HbMaxMiss > 0 ? HbMaxMiss : GetDefaultHbMaxMiss();
    InitWatchMsgPtr = BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr())));
    InitWatchTagPtr = TimerManager::SetOneShotTimer(InitWatchMsgPtr, interval * misses * 1000);
    return 0;
}

void SOCKPipeHead::StopInitWatch() {
    if (InitWatchTagPtr.Ok()) InitWatchTagPtr->CancelTimer();
    InitWatchTagPtr = TimerTagPtr();
    InitWatchMsgPtr = BaseMsgPtr();
}

BaseMsgRcvr::enMsgResult SOCKPipeHead::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (msg.Ok() && InitWatchMsgPtr.Ok() && msg.GetPtr() == InitWatchMsgPtr.GetPtr()) {
        InitWatchTagPtr = TimerTagPtr();
        InitWatchMsgPtr = BaseMsgPtr();
        if (GotInit == 0 && HungUp == 0) {
            std::ostringstream line;
            line << "SOCKPipeHead: inbound connection on " << DevicePath << " sent no PipeInitMsg within "
                 << HbInterval * HbMaxMiss << " s: Hanging up";
            SockReport(line.str());
            const SOCKPipePollAdptrPtr adptr{GetPollAdptrPtr()};
            if (adptr.Ok())
                adptr->ProcessDisconnect();
            else
                HupDetected();
        }
        return PROCESSED;
    }
    return PipeHead::MsgHdlr(msg, ctrl);
}

BasePtr SOCKPipeHead::GetaPollAdptrPtr(int fd) {
    MXR_METHOD_FRAME("GetaPollAdptrPtr", 1);
    return BasePtr(new SOCKPipePollAdptr(fd, this));
}

void SOCKPipeHead::SetExpectedPeer(const std::vector<std::string>& systems, const std::string& from) {
    ExpectedSystems = systems;
    PeerAddress = from;
}

std::vector<std::string> SOCKPipeHead::SystemsOfPath() const {
    if (InOrOut == __OUT) return SockPeerSystemsOf(DevicePath, PathRemoteAlias);
    return ExpectedSystems;
}

void SOCKPipeHead::RefusePeer(const std::string& why) {
    std::ostringstream line;
    line << "SOCKPipeHead: " << (InOrOut == __IN ? "inbound" : "outbound") << " connection on " << DevicePath;
    if (!PeerAddress.empty()) line << " from " << PeerAddress;
    line << ' ' << why << ": Hanging up";
    SockEventReport(line.str());
    const BasePtr self(this);
    // Only this connection goes: the path's other connection and its
    // listen are the real peer's.
    HupDetected();
    if (InOrOut == __OUT) {
        // The address answers with the wrong system: tried again after the
        // set-up's wait, not at once.
        SOCKCAWorld* w = SOCKCAWorld::Current();
        if (w != nullptr) {
            SOCKCAMsgRcvrAddHostSMPtr sm(new SOCKCAMsgRcvrAddHostSM(
                PathRemoteAlias, w->GetSockNetConfig(), DevicePath, ComPriority, PathHbInterval, PathHbMaxMiss, 1));
            sm->KickStart();
        }
    }
}

bool SOCKPipeHead::MayAnnounceHost(const bStr& host, const char* what) {
    if (PeerMayAnnounce(GotInit, RemHostName, host)) return true;
    std::ostringstream line;
    line << "SOCKPipeHead: " << what << " for host " << host << " on " << DevicePath << " refused - the peer is "
         << (GotInit != 0 ? static_cast<const char*>(RemHostName) : "not introduced yet");
    if (GotInit != 0)
        RouteFaults.Report(line.str(), SockEventReport);
    else
        SockEventReport(line.str());
    return false;
}

void SOCKPipeHead::ReportPeerFault(const std::string& line) {
    if (GotInit != 0)
        PacketFaults.Report(line, SockReport);
    else
        SockReport(line);
}

std::uint64_t SOCKPipeHead::GetPeerFaultCnt() const { return PacketFaults.Count() + RouteFaults.Count(); }

bool SOCKPipeHead::CarriesPipePackets() const { return true; }

int SOCKPipeHead::PeerPriority(int asked) const {
    return PeerRoutePriority(asked, InOrOut == __OUT ? ComPriority : 0);
}

void SOCKPipeHead::Init_Msg_Receive(const PipeInitMsgPtr& msg) {
    MXR_METHOD_FRAME("Init_Msg_Receive", 1);
    if (GotInit != 0) {
        // One per connection: a second one would add routes for any host.
        if (!(msg->GetHost() == RemHostName))
            RouteFaults.Report(std::string("SOCKPipeHead: a second PipeInitMsg on ") +
                                   static_cast<const char*>(DevicePath) + " naming " +
                                   static_cast<const char*>(msg->GetHost()) + " ignored",
                               SockEventReport);
        return;
    }
    if (!SockPeerNamed(SystemsOfPath(), msg->GetHost())) {
        RefusePeer(std::string("introduced itself as ") + static_cast<const char*>(msg->GetHost()) +
                   ", not the system of a path at that address");
        return;
    }
    PipeHead::Init_Msg_Receive(msg);
    GotInit = 1;
    StopInitWatch();
    RemHostName = msg->GetHost();
    RemPid = msg->GetPid();
    RemTid = msg->GetTid();
    // The peer's system as a whole is reachable through this path.
    AddrEntLst.Append(BaseAddrEntPtr(
        new BaseAddrEnt(RemHostName, 0, 0, InOrOut == __OUT ? ComPriority : 0, this)));
    if (InOrOut == __OUT) {
        ActivateSendHeartBeat();
        HeartBeatStatus status = DEAD;
        BasePollAdptrLstIter it(BaseWorld::GetWorldPtr()->GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
            const SOCKPipeHeadPtr other = SockHeadOf(a);
            if (!other.Ok() || other->InOrOut != __IN) continue;
            if (other->RemHostName != RemHostName || other->DevicePath != DevicePath) continue;
            if (other->GetHbStatus() == ALIVE) status = ALIVE;
            break;
        }
        BaseMsgPtr reg(new PipeRegMsg(RemHostName, RemPid, RemTid, ComPriority));
        reg->SetToAddr(ManagerAddr());
        reg.Send();
        SendFrom(*this, new MxrAdminReportOutConnCompleteReqMsg(AdminAddr(), AgentTag(), RemHostName, status, DevicePath));
        return;
    }
    ReplaceOlderInbound();
    RegisterRouteStatus(
        BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(AdminAddr(), AgentTag(), RemHostName, DevicePath, ALIVE)),
        BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(AdminAddr(), AgentTag(), RemHostName, DevicePath, DEAD)));
    ActivateRcvHeartBeat();
    // The PipeInitMsg counts as the first heartbeat.
    ReceivedHeartBeatIndication();
    PeerShowsItListens();
}

void SOCKPipeHead::PeerShowsItListens() {
    // The peer's agent is up: a connect to it that waits to try again
    // after a refusal tries now.
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    std::uint32_t addr = 0;
    if (FileDscrpt != -1 && ::getpeername(FileDscrpt, reinterpret_cast<sockaddr*>(&peer), &len) == 0 &&
        peer.sin_family == AF_INET)
        addr = peer.sin_addr.s_addr;
    SOCKCAMsgRcvrAddHostSM::PeerIsListening(RemHostName, addr, DevicePath);
}

void SOCKPipeHead::ReplaceOlderInbound() {
    MXR_METHOD_FRAME("ReplaceOlderInbound", 0);
    if (BaseWorld::GetWorldPtr() == nullptr) return;
    std::vector<SOCKPipeHeadPtr> older;
    BasePollAdptrLstIter it(BaseWorld::GetWorldPtr()->GetPollManager().GetPollAdptrLst());
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
        const SOCKPipeHeadPtr other = SockHeadOf(a);
        if (!other.Ok() || other.GetPtr() == this || other->InOrOut != __IN || other->GotInit == 0) continue;
        if (other->RemHostName != RemHostName || other->DevicePath != DevicePath) continue;
        older.push_back(other);
    }
    for (const SOCKPipeHeadPtr& o : older) {
        std::ostringstream line;
        line << "SOCKPipeHead: inbound connection of " << RemHostName << " on " << DevicePath;
        if (!o->PeerAddress.empty()) line << " from " << o->PeerAddress;
        line << " replaced by a newer one";
        if (!PeerAddress.empty()) line << " from " << PeerAddress;
        SockReport(line.str());
        // Its DEAD report would follow this one's ALIVE: it goes silently,
        // and alone (the outbound connection stays).
        for (BaseMsgLst* lst : {&o->GetRouteUpMsgLst(), &o->GetRouteDownMsgLst()})
            for (BasePtr item; lst->Remove(item) != 0;) item = BasePtr();
        o->HupDetected();
    }
}

void SOCKPipeHead::Reg_Msg_Receive(const PipeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("Reg_Msg_Receive", 1);
    if (!MayAnnounceHost(msg->GetHost(), "PipeRegMsg")) return;
    PipeHead::Reg_Msg_Receive(PipeRegMsgPtr(BaseMsgPtr(
        new PipeRegMsg(msg->GetHost(), msg->GetPid(), msg->GetTid(), PeerPriority(msg->GetComPriority())))));
}

void SOCKPipeHead::DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("DeReg_Msg_Receive", 1);
    if (!MayAnnounceHost(msg->GetHost(), "PipeDeRegMsg")) return;
    PipeHead::DeReg_Msg_Receive(PipeDeRegMsgPtr(BaseMsgPtr(
        new PipeDeRegMsg(msg->GetHost(), msg->GetPid(), msg->GetTid(), PeerPriority(msg->GetComPriority())))));
}

void SOCKPipeHead::HupDetected() {
    MXR_METHOD_FRAME("HupDetected", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    StopInitWatch();
    if (HungUp == 0) {
        HungUp = 1;
        if (InOrOut == __OUT && GotInit != 0) {
            std::ostringstream line;
            line << "Sending DeRegMsg for  host " << RemHostName << " pid " << RemPid << " tid " << RemTid
                 << " compriority " << ComPriority;
            SockTrace(line.str());
            BaseMsgPtr dereg(new PipeDeRegMsg(RemHostName, RemPid, RemTid, ComPriority));
            dereg->SetToAddr(ManagerAddr());
            dereg.Send();
        }
        if (InOrOut == __OUT) {
            const bStr alias = RemHostName.StrLen() > 0 ? RemHostName : PathRemoteAlias;
            SendFrom(*this, new MxrAdminReportDisconnectedReqMsg(AdminAddr(), AgentTag(), alias, DevicePath));
        }
    }
    if (FileDscrpt != -1) {
        std::ostringstream line;
        line << "Closing down socket " << FileDscrpt << "InOrOut " << static_cast<int>(InOrOut);
        SockTrace(line.str());
        ::close(FileDscrpt);
        FileDscrpt = -1;
    }
    PipeHead::HupDetected();
}

void SOCKPipeHead::MarkPartnerForHangUp() {
    MXR_METHOD_FRAME("MarkPartnerForHangUp", 0);
    if (GotInit == 0 || BaseWorld::GetWorldPtr() == nullptr) return;
    const enDir want = InOrOut == __OUT ? __IN : __OUT;
    BasePollAdptrLstIter it(BaseWorld::GetWorldPtr()->GetPollManager().GetPollAdptrLst());
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) {
        const SOCKPipePollAdptrPtr sp{BasePtr(a.GetPtr())};
        if (!sp.Ok()) continue;
        const SOCKPipeHeadPtr other{BasePtr(sp->GetPipeHeadPtr().GetPtr())};
        if (!other.Ok() || other.GetPtr() == this || other->InOrOut != want) continue;
        if (other->RemHostName != RemHostName || other->DevicePath != DevicePath) continue;
        // An inbound connection takes the outbound one with it only when it
        // is the same peer agent's: another connection from the peer's
        // address (a squatter) must not cut this system off from the peer.
        if (InOrOut == __IN && (other->RemPid != RemPid || other->RemTid != RemTid)) return;
        sp->MarkForHangUp();  // the head still holds the socket and closes it at its hang-up
        return;
    }
}

void SOCKPipeHead::RestartSetUp() {
    MXR_METHOD_FRAME("RestartSetUp", 0);
    SOCKCAWorld* w = SOCKCAWorld::Current();
    if (w == nullptr) return;
    if (InOrOut == __IN) {
        // The device's listen stays open while it has paths: only a listen
        // that is gone is set up again.
        if (ListenOpenFor(DevicePath)) return;
        const bStr alias = ListenAlias.StrLen() > 0 ? ListenAlias : w->GetLocalAlias();
        SOCKCASetUpListenSMPtr sm(new SOCKCASetUpListenSM(alias, w->GetSockNetConfig(), DevicePath, ComPriority,
                                                         PathHbInterval, PathHbMaxMiss));
        sm->KickStart();
        return;
    }
    const bStr remote = PathRemoteAlias.StrLen() > 0 ? PathRemoteAlias : RemHostName;
    SOCKCAMsgRcvrAddHostSMPtr sm(new SOCKCAMsgRcvrAddHostSM(remote, w->GetSockNetConfig(), DevicePath, ComPriority,
                                                           PathHbInterval, PathHbMaxMiss, 0));
    sm->KickStart();
}
