#include "TTYPipeHead.h"

#include <string>
#include <vector>

#include "AgentPeerRules.h"
#include "BaseAddr.h"
#include "BasePipeMsg.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "LogicalAddr.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "PipeDeRegMsg.h"
#include "PipeRegMsg.h"
#include "TTYCAMsgRcvrAddHostSM.h"
#include "TTYCAWorld.h"
#include "TTYPipePollAdptr.h"
#include "TTYPktBufr.h"
#include "TTYPktCtrl.h"
#include "TTYTrace.h"
#include "TimerManager.h"
#include "platform/SerialPort.h"

MXR_LOCAL_CLASS_DEFINE(TTYPipeHead);
MXR_ENUM_TABLE(TTYPipeHead, GetTTYConnectionStatusCvtPtr, CONNECTED, NOTCONNECTED);


int _serialize(BasePktCtrl& c, TTYPipeHead::TTYConnectionStatus& v) {
    MXR_FRAME_OF_(TTYPipeHead, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}

namespace {

// The agent's defaults where no world of the agent runs (tests).
constexpr int kDefaultInterval = 6;
constexpr int kDefaultMaxMiss = 5;

// The local manager: the agent's route to it is its manager pipe.
BaseAddrPtr ManagerAddr() { return BaseAddrPtr(new BaseAddr(BaseAddr::GetCurrentHost(), 0, 0)); }

BaseMsgPtr ToManager(BaseMsg* msg) {
    msg->SetToAddr(ManagerAddr());
    return BaseMsgPtr(msg);
}

BaseAddrPtr AdminAddr() { return BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN)); }

unsigned NowSecs() {
    unsigned secs = 0;
    unsigned us = 0;
    TimerManager::GetCurrentTime(secs, us);
    return secs;
}

// The data bytes of a whole message, in order.
std::string MessageBytes(TTYPktCtrl& ctrl) {
    std::string bytes;
    ctrl.SetDirection(BasePktCtrl::OUTOFPKT);
    ctrl.SetOffset(0);
    const int n = ctrl.GetRemainingByteCnt();
    if (n > 0) {
        bytes.resize(static_cast<std::size_t>(n));
        ctrl.DoBytes(bytes.data(), n);
    }
    ctrl.SetOffset(0);
    return bytes;
}

void ClearLst(BaseMsgLst& lst) {
    BasePtr item;
    while (lst.Remove(item)) item = BasePtr();
}

}  // namespace

TTYPipeHead::TTYPipeHead() : TTYPipeHead(-1, bStr(""), 0, 1, 1) { MXR_METHOD_FRAME("TTYPipeHead", 0); }

TTYPipeHead::TTYPipeHead(int fd, const bStr& devicePath, int priority, int hbInterval, int hbMaxMiss)
    : PipeHead(fd),
      RemHostName(""),
      RemPid(0),
      RemTid(0),
      DevicePath(devicePath),
      PipeInitAbandoned(0),
      ConnectionStatus(NOTCONNECTED),
      RegisteredAddress(0),
      BaudRate(0),
      deliveringId(0),
      initId(0),
      lineGone(false) {
    MXR_METHOD_FRAME("TTYPipeHead", 5);
    SetComPriority(priority);
    const TTYCAWorld* world = TTYCAWorld::Current();
    if (hbInterval < 1) hbInterval = world != nullptr ? world->GetHeartbeatInterval() : kDefaultInterval;
    if (hbMaxMiss < 1) hbMaxMiss = world != nullptr ? world->GetHeartbeatMaxMiss() : kDefaultMaxMiss;
    SetHbInterval(static_cast<unsigned>(hbInterval < 0 ? 0 : hbInterval));
    SetHbMaxMiss(static_cast<unsigned>(hbMaxMiss < 0 ? 0 : hbMaxMiss));
}

TTYPipeHead::~TTYPipeHead() {
    MXR_METHOD_FRAME("~TTYPipeHead", 0);
    if (GetFileDscrpt() != -1) portlib::platform::SerialClose(GetFileDscrpt());
    SetFileDscrpt(-1);
}

int TTYPipeHead::AgentTag() const {
    const TTYCAWorld* world = TTYCAWorld::Current();
    if (world == nullptr || !world->GetTtyCAMsgRcvrPtr().Ok()) return 0;
    return world->GetTtyCAMsgRcvrPtr()->GetCommAgentTagNum();
}

BaseMsgPtr TTYPipeHead::StatusReport(HeartBeatStatus status) {
    return BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(AdminAddr(), AgentTag(), RemHostName, DevicePath, status));
}

BaseMsgRcvr::enMsgResult TTYPipeHead::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return PipeHead::MsgHdlr(msg, ctrl);
}

PipePktCtrl* TTYPipeHead::GetaPipePktCtrl() {
    MXR_METHOD_FRAME("GetaPipePktCtrl", 0);
    return new TTYPktCtrl();
}

BasePtr TTYPipeHead::GetaPollAdptrPtr(int fd) {
    MXR_METHOD_FRAME("GetaPollAdptrPtr", 1);
    return BasePtr(new TTYPipePollAdptr(fd, this));
}

BasePktBufrPtr TTYPipeHead::GetEmptyPktBufr() {
    MXR_METHOD_FRAME("GetEmptyPktBufr", 0);
    return BasePktBufrPtr(new TTYPktBufr());
}

int TTYPipeHead::ProcessIncomingPktBufr(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("ProcessIncomingPktBufr", 1);
    const TTYPktBufrPtr serial(pkt);
    if (!serial.Ok()) return -1;
    TTYPktCtrlPtr done;
    std::vector<std::string> dropped;
    const TTYRcvAssembly::Result result = Assembly.Put(serial, NowSecs(), &done, &dropped);
    for (const std::string& why : dropped)
        ttyagent::TraceErr(std::string(GetClassName()) + "::ProcessIncomming Pkt Bufr dropped partial " + why);
    switch (result) {
    case TTYRcvAssembly::Result::Partial:
        return 0;
    case TTYRcvAssembly::Result::Duplicate:
        ttyagent::TraceOut("Duplicate of delivered ctrlid " + std::to_string(serial->GetPktCtrlId()) + " pktid " +
                           std::to_string(serial->GetPktId()) + " ignored");
        return 0;
    case TTYRcvAssembly::Result::Refused:
        ReportPeerFault(std::string(GetClassName()) + "::ProcessIncomming Pkt Bufr refused packet " +
                        std::to_string(serial->GetPktId()) + " of " + std::to_string(serial->GetTotalPkts()) +
                        " of message " + std::to_string(serial->GetPktCtrlId()));
        return -1;
    case TTYRcvAssembly::Result::Complete:
        break;
    }
    return DeliverMessage(done);
}

int TTYPipeHead::DeliverMessage(const TTYPktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DeliverMessage", 1);
    deliveringId = ctrl->GetPktCtrlId();
    deliveringBytes = MessageBytes(*ctrl.GetPtr());
    PipePktCtrlPtr whole(ctrl);
    return DeliverAssembled(whole);
}

void TTYPipeHead::ConsumePipeMsg(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("ConsumePipeMsg", 1);
    if (msg->IsOfType(TTYReplyMsg::ClassCode)) {
        Reply_Msg_Receive(TTYReplyMsgPtr(msg));
    } else if (msg->IsOfType(PipeHeartBeatMsg::ClassCode) || msg->IsOfType(PipeInitMsg::ClassCode) ||
               msg->IsOfType(PipeRegMsg::ClassCode) || msg->IsOfType(PipeDeRegMsg::ClassCode)) {
        PipeHead::ConsumePipeMsg(msg);
    } else {
        // Only serial agents write on the line: anything else is dropped.
        ttyagent::TraceErr(std::string(GetClassName()) + " dropped pipe message " + msg->GetClassName());
    }
}

void TTYPipeHead::Reply(TTYReplyMsg::ReplyType reply, BasePktBufrPtr& pkt) {
    PassNoAckPacket(BaseMsgPtr(new TTYReplyMsg(BaseAddrPtr(GetAddrPtr()), reply, pkt->GetPktCtrlId(), pkt->GetPktId())));
}

void TTYPipeHead::AckThePacket(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("AckThePacket", 1);
    Reply(TTYReplyMsg::ACK, pkt);
}

void TTYPipeHead::NackThePacket(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("NackThePacket", 1);
    Reply(TTYReplyMsg::NACK, pkt);
}

BaseMsgRcvr::enMsgResult TTYPipeHead::PassNoAckPacket(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("PassNoAckPacket", 1);
    const TTYPipePollAdptrPtr adptr(GetPollAdptrPtr());
    if (!adptr.Ok()) return PROCESSED;  // hung up: nothing may be written
    TTYPktCtrlPtr out(new TTYPktCtrl());
    out->SetDirection(BasePktCtrl::INTOPKT);
    SetNextIdVal(static_cast<unsigned short>(GetNextIdVal() + 1));
    out->SetPktCtrlId(GetNextIdVal());
    if (msg->Serialize(*out.GetPtr()) != 0) return PROCESSED;
    out->SetOffset(0);
    const TTYPktBufrPtr first(out->GetFirstPktBufr());
    if (!first.Ok()) return PROCESSED;
    first->SetAckNotRequired(1);
    GetTogoPktLst().Append(first);
    adptr->SetReadyToSnd(1);
    return PROCESSED;
}

void TTYPipeHead::Reply_Msg_Receive(const TTYReplyMsgPtr& reply) {
    MXR_METHOD_FRAME("Reply_Msg_Receive", 1);
    ttyagent::TraceOut("REPLY Received for ctrlid " + std::to_string(reply->GetPktCtrlId()) + " pktid " +
                       std::to_string(reply->GetPktId()));
    const TTYPipePollAdptrPtr adptr(GetPollAdptrPtr());
    if (adptr.Ok()) {
        TTYSendMsgSMLstIter it(adptr->GetSendMsgSMLst());
        for (TTYSendMsgSMPtr sm = it.First(); sm.GetPtr() != nullptr; sm = it.Next()) {
            const TTYPktBufrPtr pkt = sm->GetTtyPktBufrPtr();
            if (pkt->GetPktCtrlId() == reply->GetPktCtrlId() && pkt->GetPktId() == reply->GetPktId()) {
                reply->SetToAddr(BaseAddrPtr(sm->GetAddrPtr()));
                BaseMsgPtr(reply).Send();
                return;
            }
        }
    }
    ttyagent::TraceOut("BAD/OUTDATED Acknowledgement");
}

void TTYPipeHead::Init_Msg_Receive(const PipeInitMsgPtr& msg) {
    MXR_METHOD_FRAME("Init_Msg_Receive", 1);
    if (msg->GetHost().StrLen() == 0 || msg->GetHost() == BaseAddr::GetCurrentHostRef()) {
        // The far end of a line is another system: one that claims to be
        // this one would take this system's own routes.
        ReportPeerFault("TTYPipeHead: PipeInitMsg on " + std::string(static_cast<const char*>(DevicePath)) +
                        " naming host \"" + static_cast<const char*>(msg->GetHost()) + "\" refused");
        return;
    }
    if (ConnectionStatus == CONNECTED && GetHbStatus() == ALIVE && deliveringId == initId &&
        deliveringBytes == initBytes) {
        // Written again because our ACK was lost: answered, nothing else.
        ttyagent::TraceOut("PipeInitMsg ctrlid " + std::to_string(initId) + " received again: a retransmission");
        return;
    }
    if (ConnectionStatus == CONNECTED || PipeInitAbandoned == 1) {
        // The peer started again: this side starts its half again.
        const BasePtr self(this);
        HupDetected();
        Assembly.Clear();
        Initialize();
        PipeInitAbandoned = 0;
    }
    PipeHead::Init_Msg_Receive(msg);
    RemPid = msg->GetPid();
    RemTid = msg->GetTid();
    RemHostName = msg->GetHost();
    ClearLst(GetRouteUpMsgLst());
    ClearLst(GetRouteDownMsgLst());
    RegisterRouteStatus(StatusReport(ALIVE), StatusReport(DEAD));
    MxrAdminReportOutConnCompleteReqMsg* done =
        new MxrAdminReportOutConnCompleteReqMsg(AdminAddr(), AgentTag(), RemHostName, DEAD, DevicePath);
    done->SetFrmAddr(BaseAddrPtr(GetAddrPtr()));
    BaseMsgPtr(done).Send();
    ActivateRcvHeartBeat();
    ActivateSendHeartBeat();
    ConnectionStatus = CONNECTED;
    initId = deliveringId;
    initBytes = deliveringBytes;
}

bool TTYPipeHead::MayAnnounceHost(const bStr& host, const char* what) {
    if (PeerMayAnnounce(ConnectionStatus == CONNECTED ? 1 : 0, RemHostName, host)) return true;
    ReportPeerFault("TTYPipeHead: " + std::string(what) + " for host " + static_cast<const char*>(host) + " on " +
                    static_cast<const char*>(DevicePath) + " refused - the peer is " +
                    static_cast<const char*>(RemHostName));
    return false;
}

void TTYPipeHead::ReportPeerFault(const std::string& line) { Faults.Report(line, ttyagent::ReportErr); }

void TTYPipeHead::Reg_Msg_Receive(const PipeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("Reg_Msg_Receive", 1);
    if (!MayAnnounceHost(msg->GetHost(), "PipeRegMsg")) return;
    PipeHead::Reg_Msg_Receive(PipeRegMsgPtr(BaseMsgPtr(new PipeRegMsg(
        msg->GetHost(), msg->GetPid(), msg->GetTid(), PeerRoutePriority(msg->GetComPriority(), GetComPriority())))));
}

void TTYPipeHead::DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("DeReg_Msg_Receive", 1);
    if (!MayAnnounceHost(msg->GetHost(), "PipeDeRegMsg")) return;
    PipeHead::DeReg_Msg_Receive(PipeDeRegMsgPtr(BaseMsgPtr(new PipeDeRegMsg(
        msg->GetHost(), msg->GetPid(), msg->GetTid(), PeerRoutePriority(msg->GetComPriority(), GetComPriority())))));
}

void TTYPipeHead::NotifyRoute(HeartBeatStatus status) {
    MXR_METHOD_FRAME("NotifyRoute", 1);
    if (status == ALIVE) {
        PipeHead::NotifyRoute(ALIVE);
        if (RegisteredAddress == 0) {
            ttyagent::TraceOut("Registering " + std::string(static_cast<const char*>(RemHostName)) +
                               " with the manager (PipeRegMsg)");
            ToManager(new PipeRegMsg(RemHostName, RemPid, RemTid, GetComPriority())).Send();
            GetAddrEntLst().Append(BaseAddrEntPtr(new BaseAddrEnt(RemHostName, 0, 0, GetComPriority(), this)));
            RegisteredAddress = 1;
        }
    } else if (status == DEAD) {
        if (RegisteredAddress == 1) {
            ToManager(new PipeDeRegMsg(RemHostName, RemPid, RemTid, GetComPriority())).Send();
            BaseAddrEntLstIter it(GetAddrEntLst());
            for (BaseAddrEntPtr row = it.First(); row.GetPtr() != nullptr; row = it.Next()) {
                if (row->GetHost() == RemHostName && row->GetPid() == 0 && row->GetTid() == 0 &&
                    row->GetComPriority() == GetComPriority()) {
                    it.DeleteCurrentItem();
                    break;
                }
            }
            RegisteredAddress = 0;
        }
        // The conversation is over: what the peer writes from now on is a new
        // one. A peer whose machine rebooted numbers its messages from the
        // start again with the same pid, so its first packets equal ones
        // delivered lately and must not be taken for retransmissions.
        Assembly.Clear();
        PipeHead::NotifyRoute(DEAD);
    }
}

void TTYPipeHead::HupDetected() {
    MXR_METHOD_FRAME("HupDetected", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    if (!(RemHostName == "") && RegisteredAddress == 1 && GetHbStatus() != ALIVE) {
        // The DEAD notice below withdraws the address of an ALIVE line.
        ToManager(new PipeDeRegMsg(RemHostName, RemPid, RemTid, GetComPriority())).Send();
        RegisteredAddress = 0;
    }
    const TTYPipePollAdptrPtr adptr(GetPollAdptrPtr());
    if (adptr.Ok()) adptr->ClearSendMsgSMLst();
    PipeHead::HupDetected();
}

void TTYPipeHead::LineHungUp() {
    MXR_METHOD_FRAME("LineHungUp", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    HupDetected();
    if (lineGone) return;
    lineGone = true;
    ttyagent::ReportErr("TTYPipeHead: device " + std::string(static_cast<const char*>(DevicePath)) +
                        " hung up; setting the path up again");
    TTYCAMsgRcvrAddHostSMPtr sm(new TTYCAMsgRcvrAddHostSM(RemoteAlias, DevicePath, GetComPriority(),
                                                          static_cast<int>(GetHbInterval()),
                                                          static_cast<int>(GetHbMaxMiss()), BaudRate, 0));
    sm->KickStart();
}

bStr TTYPipeHead::GetRemHostName() const {
    MXR_METHOD_FRAME("GetRemHostName", 0);
    return RemHostName;
}

void TTYPipeHead::SetRemHostName(const bStr& name) {
    MXR_METHOD_FRAME("SetRemHostName", 1);
    RemHostName = name;
}

long TTYPipeHead::GetRemPid() const {
    MXR_METHOD_FRAME("GetRemPid", 0);
    return RemPid;
}

void TTYPipeHead::SetRemPid(long pid) {
    MXR_METHOD_FRAME("SetRemPid", 1);
    RemPid = pid;
}

long TTYPipeHead::GetRemTid() const {
    MXR_METHOD_FRAME("GetRemTid", 0);
    return RemTid;
}

void TTYPipeHead::SetRemTid(long tid) {
    MXR_METHOD_FRAME("SetRemTid", 1);
    RemTid = tid;
}

bStr TTYPipeHead::GetDevicePath() const {
    MXR_METHOD_FRAME("GetDevicePath", 0);
    return DevicePath;
}

void TTYPipeHead::SetDevicePath(const bStr& path) {
    MXR_METHOD_FRAME("SetDevicePath", 1);
    DevicePath = path;
}

short TTYPipeHead::GetPipeInitAbandoned() const {
    MXR_METHOD_FRAME("GetPipeInitAbandoned", 0);
    return PipeInitAbandoned;
}

void TTYPipeHead::SetPipeInitAbandoned(short flag) {
    MXR_METHOD_FRAME("SetPipeInitAbandoned", 1);
    PipeInitAbandoned = flag;
}

TTYPipeHead::TTYConnectionStatus TTYPipeHead::GetConnectionStatus() const {
    MXR_METHOD_FRAME("GetConnectionStatus", 0);
    return ConnectionStatus;
}

void TTYPipeHead::SetConnectionStatus(TTYConnectionStatus status) {
    MXR_METHOD_FRAME("SetConnectionStatus", 1);
    ConnectionStatus = status;
}

int TTYPipeHead::GetRegisteredAddress() const {
    MXR_METHOD_FRAME("GetRegisteredAddress", 0);
    return RegisteredAddress;
}

void TTYPipeHead::SetRegisteredAddress(int flag) {
    MXR_METHOD_FRAME("SetRegisteredAddress", 1);
    RegisteredAddress = flag;
}

TTYRcvAssembly& TTYPipeHead::GetRcvAssembly() {
    MXR_METHOD_FRAME("GetRcvAssembly", 0);
    return Assembly;
}

bStr TTYPipeHead::GetRemoteAlias() const {
    MXR_METHOD_FRAME("GetRemoteAlias", 0);
    return RemoteAlias;
}

void TTYPipeHead::SetRemoteAlias(const bStr& alias) {
    MXR_METHOD_FRAME("SetRemoteAlias", 1);
    RemoteAlias = alias;
}

int TTYPipeHead::GetBaudRate() const {
    MXR_METHOD_FRAME("GetBaudRate", 0);
    return BaudRate;
}

void TTYPipeHead::SetBaudRate(int baud) {
    MXR_METHOD_FRAME("SetBaudRate", 1);
    BaudRate = baud;
}
