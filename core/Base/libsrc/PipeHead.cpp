#include "PipeHead.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <typeinfo>
#include <utility>

#include <unistd.h>

#include "BaseAddr.h"
#include "BaseErrMsg.h"
#include "PktSerialize.h"
#include "BasePipeMsg.h"
#include "BaseReqMsg.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "IoCons.h"
#include "IoObjectCvt.h"
#include "MsgIo.h"
#include "PipePktBufr.h"
#include "PipePollAdptr.h"
#include "platform/NamedPipe.h"

using namespace portlib::platform;

MXR_LOCAL_CLASS_DEFINE_CUSTOM(PipeHead);
MXR_ENUM_TABLE(PipeHead, GetHeartBeatActivityCvtPtr, UNDEFINED, SEND, RECEIVE, STANDBY, SENDANDRECEIVE);
MXR_ENUM_TABLE(PipeHead, GetHeartBeatStatusCvtPtr, NONE, INITIALIZING, ALIVE, DEAD);

unsigned short PipeHead::nextIdVal = 0;
unsigned PipeHead::defaultHbInterval = 4;
unsigned PipeHead::defaultHbMaxMiss = 3;

// None of the endpoint's own fields travel: the wire form is the receiver
// part, the text form the class name alone.
int _serialize(BasePktCtrl& c, PipeHead& v) {
    MXR_FRAME_OF_(PipeHead, "_serialize", 2);
    return _serialize(c, static_cast<BaseMsgRcvr&>(v));
}

IoItemPtr GetIoItemFrom(const PipeHead& v) {
    MXR_FRAME_OF_(PipeHead, "GetIoItemFrom", 1);
    return GetIoItemFrom(static_cast<const BaseVirtItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, PipeHead& v) {
    MXR_FRAME_OF_(PipeHead, "SetFromIoItem", 2);
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}

int _serialize(BasePktCtrl& c, PipeHead::HeartBeatActivity& v) {
    MXR_FRAME_OF_(PipeHead, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}

int _serialize(BasePktCtrl& c, PipeHead::HeartBeatStatus& v) {
    MXR_FRAME_OF_(PipeHead, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}

namespace {
// The packet a message arrived in, offered to the endpoint the message is
// handed to (PassOnArrived): valid for that one call.
struct ArrivedPacket {
    const BaseMsg* msg;
    PipePktBufr* pkt;
};
constinit thread_local ArrivedPacket arrivedAs __attribute__((tls_model("initial-exec"))) = {nullptr, nullptr};

// One report, one write: lines never interleave with other reports.
void ReportLine(const std::string& line) { std::cerr << line + "\n" << std::flush; }

// What a packet holds in memory, whatever data it carries.
std::size_t BlockBytes(const BasePktBufrPtr& pkt) {
    // A pipe packet's, without the virtual calls while tracing is off.
    const BasePktBufr* p = pkt.GetPtr();
    if (!FuncInfo::MayTrace() && typeid(*p) == typeid(PipePktBufr))
        return PipePktBufr::HeaderSize + static_cast<const PipePktBufr*>(p)->PipePktBufr::GetMaxDataBufrSize();
    return static_cast<std::size_t>(pkt->GetPktHeaderSize()) + pkt->GetMaxDataBufrSize();
}
}  // namespace

PipeHead::PipeHead(int fd)
    : FileDscrpt(fd),
      ComPriority(0),
      MaxPktSize(0),
      HbInterval(0),
      HbMaxMiss(0),
      HbActivity(UNDEFINED),
      HbStatus(NONE),
      HbTotalFails(0),
      HbTotalMisses(0),
      PollAdptrPtr(nullptr),
      TogoBytes(0),
      AssemblyBytes(0),
      PeerPid(-1) {
    MXR_METHOD_FRAME("PipeHead", 1);
}

PipeHead::PipeHead(const bStr& path) : PipeHead(-1) {
    MXR_METHOD_FRAME("PipeHead", 1);
    Path_open(path);
}

PipeHead::PipeHead() : PipeHead(-1) { MXR_METHOD_FRAME("PipeHead", 0); }

PipeHead::~PipeHead() {
    MXR_METHOD_FRAME("~PipeHead", 0);
    if (FileDscrpt != -1) PipeClose(FileDscrpt);
    FileDscrpt = -1;
    CancelTimer(HbSendMsgTagPtr);
    CancelTimer(HbTimeoutTagPtr);
    PollAdptrPtr = nullptr;
}

void PipeHead::Path_open(const bStr& path, const std::string& systemDir) {
    MXR_METHOD_FRAME("Path_open", 2);
    int fd = -1;
    PipeConnectOptions options;
    options.timeoutMs = kPipeNoWait;
    if (PipeConnect(static_cast<const char*>(path), options, &fd, systemDir) != 0) return;
    // Message reads, non-blocking: the loop never waits on the pipe.
    int rc = PipeSetReadMode(fd, PipeReadMode::Message);
    if (rc == 0) rc = PipeSetBlocking(fd, false);
    if (rc != 0) ReportLine("SetNamedPipeHandleState: error " + std::to_string(rc));
    FileDscrpt = fd;
    FileName = path;
    char record[ConnectRecordLen];
    std::memcpy(record, ConnectRecord, ConnectRecordLen);
    hv::strbuf data{0, ConnectRecordLen, record};
    if (hv::putmsg(fd, nullptr, &data, 0) != 0) {
        ReportLine("Error writing MXR_CONNECT_MSG");
        PipeClose(fd);
        FileDscrpt = -1;
    }
}

int PipeHead::Initialize() {
    MXR_METHOD_FRAME("Initialize", 0);
    if (FileDscrpt == -1) return -1;
    EmptyPipePktCtrlPtr = GetaPipePktCtrl();
    const BasePollAdptrPtr adptr(GetaPollAdptrPtr(FileDscrpt));
    if (!adptr.Ok()) return -1;
    PollAdptrPtr = adptr.GetPtr();
    adptr->Register();
    MaxPktSize = static_cast<unsigned>(EmptyPipePktCtrlPtr->GetMaxPktSize());
    StandbyHeartBeat();
    const bStr host = IntroducedHost.StrLen() != 0 ? IntroducedHost : BaseAddr::GetCurrentHost();
    BaseMsgPtr init(new PipeInitMsg(host, BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(), MaxPktSize));
    DfltMsgHdlr(init, BasePktCtrlPtr());
    return 0;
}

unsigned short PipeHead::TakeNextIdVal() {
    MXR_FRAME("PipeHead", "TakeNextIdVal", 0, "PipeHead.c");
    ++nextIdVal;
    if (nextIdVal == 0) nextIdVal = 1;
    return nextIdVal;
}

BaseMsgRcvr::enMsgResult PipeHead::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    if (!msg.Ok()) return PROCESSED;
    if (PollAdptrPtr == nullptr) {
        // Hung up (or never initialized) while routes still lead here:
        // nothing may be written, and a requester must not wait for ever.
        std::ostringstream why;
        why << "no poll adapter on file descriptor " << FileDscrpt;
        RefuseOutgoing(msg, why.str());
        return PROCESSED;
    }
    if (arrivedAs.msg != nullptr && arrivedAs.msg == msg.GetPtr() && QueueArrivedPacket()) return PROCESSED;
    PipePktCtrlPtr out(GetaPipePktCtrl());
    // While no packet object waits, a message may be queued whole and sent a
    // slice at a time (the controller decides whether it can hand it over);
    // behind packet objects it is cut, so that packets leave in order.
    PipePktCtrl::CollectedMessage whole;
    bool handedOver = false;
    const unsigned short id = TakeNextIdVal();
    const PipePktCtrl::PackResult result = !FuncInfo::MayTrace() && TogoPktLst.GetItemCnt() == 0
                                               ? out->PackCollected(*msg.GetPtr(), id, &whole, &handedOver)
                                               : out->Pack(*msg.GetPtr(), id);
    switch (result) {
        case PipePktCtrl::PACKED:
            break;
        case PipePktCtrl::PACK_TOO_LARGE:
            RefuseOutgoing(msg, "needs more packets than a receiver accepts");
            return PROCESSED;
        default:
            RefuseOutgoing(msg, "could not be serialized");
            return PROCESSED;
    }
    // The bytes its packets count against the mark: of a message queued
    // whole, without making them; else, while tracing is off, numbered once
    // and taken from the array (none of a packed message is empty); a traced
    // run walks them as it always did.
    const bool walk = !handedOver && FuncInfo::MayTrace();
    BasePktBufrAry* packed = nullptr;
    std::size_t bytes = 0;
    if (handedOver) {
        bytes = PackedMessageQueue::BlockBytesOf(whole);
    } else if (walk) {
        for (BasePktBufrPtr pkt = out->GetFirstPktBufr(); pkt.GetPtr() != nullptr; pkt = out->GetNextPktBufr())
            bytes += BlockBytes(pkt);
    } else {
        out->GetFirstPktBufr();
        packed = &out->GetBufrAry();
        for (int i = 0; i < packed->GetItemCnt(); ++i) bytes += BlockBytes((*packed)[i]);
    }
    if (TogoBytes + bytes > MaxTogoBytes) {
        // The peer does not read: it is dead to us. A requester is answered.
        if (handedOver) PipePktCtrl::GiveBack(whole);
        RefuseOutgoing(msg, std::string());
        HangUpPastHighWater("queued for it", TogoBytes + bytes);
        return PROCESSED;
    }
    if (handedOver) {
        TogoMsgQueue.Push(whole);
    } else if (walk) {
        for (BasePktBufrPtr pkt = out->GetFirstPktBufr(); pkt.GetPtr() != nullptr; pkt = out->GetNextPktBufr())
            TogoPktLst.Append(pkt);
    } else {
        for (int i = 0; i < packed->GetItemCnt(); ++i) TogoPktLst.Append((*packed)[i]);
    }
    TogoBytes += bytes;
    const PipePollAdptrPtr adptr{BasePtr(PollAdptrPtr)};
    if (adptr.Ok()) adptr->SetReadyToSnd(1);
    return PROCESSED;
}

void PipeHead::RefuseOutgoing(const BaseMsgPtr& msg, const std::string& why) {
    MXR_METHOD_FRAME("RefuseOutgoing", 2);
    if (!why.empty())
        ReportLine(std::string(GetClassName()) + "::DfltMsgHdlr " + why + " - " + msg->GetClassName() + " dropped");
    if (msg->IsOfType(BaseReqMsg::ClassCode) && BaseWorld::GetWorldPtr() != nullptr) {
        const BaseAddrPtr from = msg->GetFrmAddr();
        if (from.Ok()) BaseMsgPtr(new BaseErrMsg(from)).Send();
    }
}

void PipeHead::HangUpPastHighWater(const char* what, std::size_t bytes) {
    MXR_METHOD_FRAME("HangUpPastHighWater", 2);
    std::ostringstream line;
    line << GetClassName() << " on file descriptor " << FileDscrpt << ": " << bytes << " bytes " << what
         << " - peer taken for dead, hung up";
    ReportLine(line.str());
    // Kept until the end of this call: the hang-up may release the last
    // reference of this endpoint.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    HupDetected();
    // Never written, never completed: the memory goes now, not with the
    // endpoint (a holder may keep that).
    for (BasePktBufrPtr pkt; TogoPktLst.Remove(pkt) != 0;) {
    }
    TogoMsgQueue.Clear();
    TogoBytes = 0;
    for (PipePktCtrlPtr ctrl; RcvPktCtrlLst.Remove(ctrl) != 0;) {
    }
    AssemblyBytes = 0;
}

BasePktBufrPtr PipeHead::GetPktBufrToSend() {
    MXR_METHOD_FRAME("GetPktBufrToSend", 0);
    BasePktBufrPtr pkt;
    // A traced run sends what waits as packet objects, as it always did.
    if (FuncInfo::MayTrace()) CutQueuedMessages();
    if (!TogoMsgQueue.Empty()) {
        std::size_t bytes = 0;
        pkt = TogoMsgQueue.TakeNext(&bytes);
        TogoBytes = TogoBytes > bytes ? TogoBytes - bytes : 0;
        PassedPacketProcessing(pkt);
        return pkt;
    }
    TogoPktLst.Remove(pkt);
    if (pkt.GetPtr() != nullptr) {
        const std::size_t bytes = BlockBytes(pkt);
        TogoBytes = TogoBytes > bytes ? TogoBytes - bytes : 0;
    }
    PassedPacketProcessing(pkt);
    return pkt;
}

PipePktCtrl* PipeHead::GetaPipePktCtrl() {
    MXR_METHOD_FRAME("GetaPipePktCtrl", 0);
    return new PipePktCtrl();
}

BasePtr PipeHead::GetaPollAdptrPtr(int fd) {
    MXR_METHOD_FRAME("GetaPollAdptrPtr", 1);
    return BasePtr(new PipePollAdptr(fd, this));
}

BasePktBufrPtr PipeHead::GetEmptyPktBufr() {
    MXR_METHOD_FRAME("GetEmptyPktBufr", 0);
    if (!EmptyPipePktCtrlPtr.Ok()) EmptyPipePktCtrlPtr = GetaPipePktCtrl();
    return EmptyPipePktCtrlPtr->NewPktBufr();
}

PipePktCtrlPtr PipeHead::FindRcvPktCtrl(unsigned short id) {
    MXR_METHOD_FRAME("FindRcvPktCtrl", 1);
    if (!FuncInfo::MayTrace() && RcvPktCtrlLst.GetItemCnt() == 0) return PipePktCtrlPtr();
    PipePktCtrlLstIter it(RcvPktCtrlLst);
    for (PipePktCtrlPtr c = it.First(); c.GetPtr() != nullptr; c = it.Next())
        if (c->GetPktCtrlId() == id) return c;
    return PipePktCtrlPtr();
}

void PipeHead::DropRcvPktCtrl(const PipePktCtrlPtr& ctrl, const char* why) {
    MXR_METHOD_FRAME("DropRcvPktCtrl", 2);
    std::ostringstream line;
    line << GetClassName() << "::ProcessIncomming Pkt Bufr dropped partial message " << ctrl->GetPktCtrlId() << ": "
         << why;
    ReportPeerFault(line.str());
    LeaveAssembly(ctrl);
    RcvPktCtrlLst.RemoveItem(ctrl);
}

void PipeHead::PlacePkt(const PipePktCtrlPtr& ctrl, BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("PlacePkt", 2);
    const int before = ctrl->GetArrivedCnt();
    ctrl->PutPktBufr(pkt);
    const int after = ctrl->GetArrivedCnt();
    if (after > before) AssemblyBytes += static_cast<std::size_t>(after - before) * BlockBytes(pkt);
}

void PipeHead::LeaveAssembly(const PipePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("LeaveAssembly", 1);
    const std::size_t bytes =
        static_cast<std::size_t>(ctrl->GetArrivedCnt()) * static_cast<std::size_t>(ctrl->GetMaxPktSize());
    AssemblyBytes = AssemblyBytes > bytes ? AssemblyBytes - bytes : 0;
}

bool PipeHead::RefuseArriving(const BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("RefuseArriving", 1);
    // Nothing refused lately and a packet that may start a message: taken.
    if (!FuncInfo::MayTrace() && RefusedIds.empty() && PipePktCtrl::CanStart(pkt)) return false;
    const unsigned short id = pkt->GetPktCtrlId();
    auto known = std::find(RefusedIds.begin(), RefusedIds.end(), id);
    // A first packet starts a new message under that number.
    if (known != RefusedIds.end() && pkt->GetPktId() == 1) {
        RefusedIds.erase(known);
        known = RefusedIds.end();
    }
    const bool last = pkt->GetPktId() >= pkt->GetTotalPkts();
    if (known != RefusedIds.end()) {
        if (last) RefusedIds.erase(known);
        return true;
    }
    if (PipePktCtrl::CanStart(pkt)) return false;
    std::ostringstream line;
    line << GetClassName() << "::ProcessIncomming Pkt Bufr refused message " << id << ": packet " << pkt->GetPktId()
         << " of " << pkt->GetTotalPkts();
    ReportPeerFault(line.str());
    if (!last) {
        if (RefusedIds.size() >= MaxRefusedIds) RefusedIds.erase(RefusedIds.begin());
        RefusedIds.push_back(id);
    }
    return true;
}

int PipeHead::ProcessIncomingPktBufr(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("ProcessIncomingPktBufr", 1);
    if (FuncInfo::MayTrace()) {
        if (!PipePktBufrPtr(pkt).Ok()) return -1;
    } else if (pkt.GetPtr() == nullptr || !static_cast<BasePtr&>(pkt).GetPtr()->IsOfType(PipePktBufr::ClassCode)) {
        return -1;  // the same test without a counted copy
    }
    const unsigned short id = pkt->GetPktCtrlId();
    PipePktCtrlPtr ctrl = FindRcvPktCtrl(id);
    // A pipe delivers a message's packets in order, so a first packet always
    // starts a new message: a partial message under the same (reused)
    // number lost packets and never completes; joined with the new one's
    // packets it would make a corrupted message.
    if (ctrl.GetPtr() != nullptr && pkt->GetPktId() == 1) {
        DropRcvPktCtrl(ctrl, "a new message took its number");
        ctrl = PipePktCtrlPtr();
    }
    const bool listed = ctrl.GetPtr() != nullptr;
    if (listed) {
        PlacePkt(ctrl, pkt);
        if (ctrl->GetBadFlg() != 0) {
            DropRcvPktCtrl(ctrl, "a packet did not fit it");
            return -1;
        }
    } else {
        if (RefuseArriving(pkt)) return -1;
        ctrl = BasePtr::AdoptNew(new PipePktCtrl(pkt));  // its first reference, uncontended
        if (!ctrl->AllThere()) AssemblyBytes += BlockBytes(pkt);
    }
    if (!ctrl->AllThere()) {
        if (!listed) {
            if (RcvPktCtrlLst.GetItemCnt() >= MaxRcvInAssembly) {
                PipePktCtrlPtr oldest(PipePktCtrlLstIter(RcvPktCtrlLst).First());
                DropRcvPktCtrl(oldest, "too many messages in assembly");
            }
            RcvPktCtrlLst.Append(ctrl);
        }
        if (AssemblyBytes > MaxAssemblyBytes) {
            HangUpPastHighWater("in assembly", AssemblyBytes);
            return -1;
        }
        return 0;
    }
    if (listed) {
        LeaveAssembly(ctrl);
        RcvPktCtrlLst.RemoveItem(ctrl);
    }
    return DeliverAssembled(ctrl);
}

PipePktCtrl* PipeHead::GatheringCtrl() {
    if (FuncInfo::MayTrace() || typeid(*this) != typeid(PipeHead) || RcvPktCtrlLst.GetItemCnt() != 1) return nullptr;
    BaseVirtItem* first = RcvPktCtrlLst.PeekFirst();
    if (first == nullptr || typeid(*first) != typeid(PipePktCtrl)) return nullptr;
    return static_cast<PipePktCtrl*>(first);
}

int PipeHead::TakeGathered(PipePktCtrl* ctrl) {
    // The packet the reader would have read into holds 512 data bytes.
    AssemblyBytes += PipePktBufr::HeaderSize + PipePktBufr::DATASIZE;
    if (!ctrl->AllThere()) {
        if (AssemblyBytes > MaxAssemblyBytes) {
            HangUpPastHighWater("in assembly", AssemblyBytes);
            return -1;
        }
        return 0;
    }
    // The controller is the list's only element: taken out with the list's reference.
    BasePtr held;
    RcvPktCtrlLst.Remove(held);
    PipePktCtrlPtr done(std::move(held));
    LeaveAssembly(done);
    return DeliverAssembled(done);
}

bool PipeHead::MayStartGathered() const {
    return !FuncInfo::MayTrace() && typeid(*this) == typeid(PipeHead) && RcvPktCtrlLst.GetItemCnt() == 0 &&
           RefusedIds.empty();
}

int PipeHead::StartGathered(PipePktCtrl* ctrl) {
    const PipePktCtrlPtr started(BasePtr::AdoptNew(ctrl));  // its first reference, uncontended
    // The packet the reader would have read into holds 512 data bytes.
    AssemblyBytes += PipePktBufr::HeaderSize + PipePktBufr::DATASIZE;
    RcvPktCtrlLst.Append(started);
    if (AssemblyBytes > MaxAssemblyBytes) {
        HangUpPastHighWater("in assembly", AssemblyBytes);
        return -1;
    }
    return 0;
}

int PipeHead::DeliverAssembled(PipePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DeliverAssembled", 1);
    ctrl->SetOffset(0);
    // Only the binary form may be passed on as it arrived: an s-expression
    // is written again in binary. (Looked at where the message starts.)
    std::uint32_t code = 0;
    const bool binary = ctrl->PeekWireCount(&code) && code != static_cast<std::uint32_t>(IoCons::ClassCode);
    // The caller is done with its reference: the stream takes it over,
    // except while tracing, where the controller goes, as it always went,
    // with the caller's reference.
    BasePktCtrlPtr stream = FuncInfo::MayTrace() ? BasePktCtrlPtr(ctrl) : BasePktCtrlPtr(std::move(ctrl));
    // A message, or an s-expression naming one; nothing else is built.
    const BaseMsgPtr msg(stream);
    if (!msg.Ok()) {
        ReportPeerFault(std::string(GetClassName()) + "::ProcessIncomming Pkt Bufr message generation failed");
        AnswerUndeliverable(stream);
        return -1;
    }
    if (msg->IsOfType(BasePipeMsg::ClassCode))
        ConsumePipeMsg(msg);
    else if (!binary || !PassOnArrived(msg, stream))
        msg.Send();
    return 0;
}

bool PipeHead::PassOnArrived(const BaseMsgPtr& msg, BasePktCtrlPtr& stream) {
    const BaseWorld* world = BaseWorld::GetWorldPtr();
    if (world == nullptr || !world->DispatchesAtOnce()) return false;
    BasePktCtrl* c = stream.GetPtr();
    if (c == nullptr || typeid(*c) != typeid(PipePktCtrl)) return false;
    auto* ctrl = static_cast<PipePktCtrl*>(c);
    // Read to its end, from one packet: what arrived is all the message is.
    if (ctrl->GetPktCnt() != 1 || ctrl->GetRemainingByteCnt() != 0) return false;
    BasePktBufr* first = ctrl->GetBufrAry()[0].GetPtr();
    if (first == nullptr || typeid(*first) != typeid(PipePktBufr)) return false;
    // The receiver the dispatch step would choose; a missing address is
    // left to it to report.
    if (!msg->GetToAddr().Ok() || msg->GetMsgPtrForDispatch().GetPtr() != msg.GetPtr()) return false;
    BaseMsgRcvr* rcvr = msg->GetMsgRcvrAddr();
    if (rcvr == nullptr || rcvr == this || !rcvr->IsOfType(PipeHead::ClassCode)) return false;
    arrivedAs = {msg.GetPtr(), static_cast<PipePktBufr*>(first)};
    if (rcvr->ReceiveMsg(msg, BasePktCtrlPtr()) == NOTPROCESSED)
        ReportLine("BaseWorld::Run() - Message not processed");
    arrivedAs = {nullptr, nullptr};
    return true;
}

bool PipeHead::QueueArrivedPacket() {
    PipePktBufr* arrived = arrivedAs.pkt;
    arrivedAs = {nullptr, nullptr};
    if (!CarriesPipePackets() || PollAdptrPtr == nullptr) return false;
    BasePktBufrPtr pkt(arrived);
    const std::size_t bytes = BlockBytes(pkt);
    // Past the mark the usual way reports and hangs up.
    if (TogoBytes + bytes > MaxTogoBytes) return false;
    // Behind whatever waits, as a packed message would queue.
    arrived->SetPktCtrlId(TakeNextIdVal());
    TogoPktLst.Append(pkt);
    TogoBytes += bytes;
    const PipePollAdptrPtr adptr{BasePtr(PollAdptrPtr)};
    if (adptr.Ok()) adptr->SetReadyToSnd(1);
    return true;
}

bool PipeHead::CarriesPipePackets() const { return typeid(*this) == typeid(PipeHead); }

void PipeHead::AnswerUndeliverable(BasePktCtrlPtr& stream) {
    MXR_METHOD_FRAME("AnswerUndeliverable", 1);
    if (!stream.Ok()) return;
    // A request whose field holds an object of the wrong class (its
    // to-address, say) cannot be delivered, but its sender waits: read it
    // again with such fields empty, and answer the sender it names.
    stream->SetOffset(0);
    BaseMsgPtr again;
    {
        const MxrForeignFieldsAsNull scope;
        again = BaseMsgPtr(stream);
    }
    if (!again.Ok() || !again->IsOfType(BaseReqMsg::ClassCode)) return;
    const BaseAddrPtr from = again->GetFrmAddr();
    if (from.Ok()) BaseMsgPtr(new BaseErrMsg(from)).Send();
}

void PipeHead::ConsumePipeMsg(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("ConsumePipeMsg", 1);
    if (msg->IsOfType(PipeHeartBeatMsg::ClassCode)) {
        ReceivedHeartBeatMsg(PipeHeartBeatMsgPtr(msg));
    } else if (msg->IsOfType(PipeInitMsg::ClassCode)) {
        Init_Msg_Receive(PipeInitMsgPtr(msg));
    } else if (msg->IsOfType(PipeRegMsg::ClassCode)) {
        Reg_Msg_Receive(PipeRegMsgPtr(msg));
    } else if (msg->IsOfType(PipeDeRegMsg::ClassCode)) {
        DeReg_Msg_Receive(PipeDeRegMsgPtr(msg));
    }
}

bool PipeHead::MayAnnounce(const bStr& host, long pid, const char* what) {
    MXR_METHOD_FRAME("MayAnnounce", 3);
    // Addresses of other hosts (an agent's) are the peer's to announce; one
    // of this host is the peer's own process. Its own process may be this
    // one (a world that talks to itself), which may announce anything.
    if (PeerPid < 0 || PeerPid == static_cast<long>(::getpid())) return true;
    if (!(host == BaseAddr::GetCurrentHostRef()) || (pid == PeerPid && pid != 0)) return true;
    std::ostringstream line;
    line << GetClassName() << " on file descriptor " << FileDscrpt << ": " << what << " for host " << host << " pid "
         << pid << " refused - the peer is pid " << PeerPid;
    ReportPeerFault(line.str());
    return false;
}

void PipeHead::Init_Msg_Receive(const PipeInitMsgPtr& msg) {
    MXR_METHOD_FRAME("Init_Msg_Receive", 1);
    if (!MayAnnounce(msg->GetHost(), msg->GetPid(), "PipeInitMsg")) return;
    AddrEntLst.Append(BaseAddrEntPtr(new BaseAddrEnt(msg->GetHost(), msg->GetPid(), msg->GetTid(), 0, this)));
    if (msg->GetMax_pkt_size() < MaxPktSize) MaxPktSize = msg->GetMax_pkt_size();
}

void PipeHead::Reg_Msg_Receive(const PipeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("Reg_Msg_Receive", 1);
    if (!MayAnnounce(msg->GetHost(), msg->GetPid(), "PipeRegMsg")) return;
    AddrEntLst.Append(
        BaseAddrEntPtr(new BaseAddrEnt(msg->GetHost(), msg->GetPid(), msg->GetTid(), msg->GetComPriority(), this)));
}

void PipeHead::DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg) {
    MXR_METHOD_FRAME("DeReg_Msg_Receive", 1);
    const bStr host = msg->GetHost();
    BaseAddrEntLstIter it(AddrEntLst);
    for (BaseAddrEntPtr row = it.First(); row.GetPtr() != nullptr; row = it.Next()) {
        if (row->GetHost() == host && row->GetPid() == msg->GetPid() && row->GetTid() == msg->GetTid() &&
            row->GetComPriority() == msg->GetComPriority()) {
            it.DeleteCurrentItem();
            return;
        }
    }
    std::ostringstream line;
    line << "DeRegister Msg Received for host " << host << " pid " << msg->GetPid() << " and tid " << msg->GetTid()
         << " but didn't find a match in addrEntLst";
    ReportLine(line.str());
}

void PipeHead::HupDetected() {
    MXR_METHOD_FRAME("HupDetected", 0);
    // The adapter may hold the last reference of this endpoint: it goes when
    // this call returns, not in the middle of it.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    if (HbActivity == SEND || HbActivity == SENDANDRECEIVE) CancelTimer(HbSendMsgTagPtr);
    if (HbActivity == RECEIVE || HbActivity == SENDANDRECEIVE) {
        CancelTimer(HbTimeoutTagPtr);
        if (HbStatus == ALIVE) {
            HbStatus = DEAD;
            NotifyRoute(DEAD);
        }
    }
    HbActivity = UNDEFINED;
    if (PollAdptrPtr != nullptr) {
        const BasePollAdptrPtr adptr(PollAdptrPtr);
        PollAdptrPtr = nullptr;
        adptr->DeRegister();
    }
}

void PipeHead::ReportPeerFault(const std::string& line) {
    MXR_METHOD_FRAME("ReportPeerFault", 1);
    ReportLine(line);
}

void PipeHead::PassedPacketProcessing(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("PassedPacketProcessing", 1);
    static_cast<void>(pkt);
}

void PipeHead::ForgetPollAdptr(const BasePollAdptr* adptr) {
    MXR_METHOD_FRAME("ForgetPollAdptr", 1);
    if (PollAdptrPtr == adptr) PollAdptrPtr = nullptr;
}

int PipeHead::RegisterRouteStatus(BaseMsgPtr up, BaseMsgPtr down) {
    MXR_METHOD_FRAME("RegisterRouteStatus", 2);
    if (!up.Ok() || !down.Ok()) return -1;
    RouteUpMsgLst.Append(up);
    RouteDownMsgLst.Append(down);
    return 0;
}

int PipeHead::GetFileDscrpt() const {
    MXR_METHOD_FRAME("GetFileDscrpt", 0);
    return FileDscrpt;
}

void PipeHead::SetFileDscrpt(int fd) {
    MXR_METHOD_FRAME("SetFileDscrpt", 1);
    FileDscrpt = fd;
}

bStr PipeHead::GetFileName() const {
    MXR_METHOD_FRAME("GetFileName", 0);
    return FileName;
}

void PipeHead::SetFileName(const bStr& name) {
    MXR_METHOD_FRAME("SetFileName", 1);
    FileName = name;
}

int PipeHead::GetComPriority() const {
    MXR_METHOD_FRAME("GetComPriority", 0);
    return ComPriority;
}

void PipeHead::SetComPriority(int priority) {
    MXR_METHOD_FRAME("SetComPriority", 1);
    ComPriority = priority;
}

PipePktCtrlPtr PipeHead::GetEmptyPipePktCtrlPtr() const {
    MXR_METHOD_FRAME("GetEmptyPipePktCtrlPtr", 0);
    return EmptyPipePktCtrlPtr;
}

void PipeHead::SetEmptyPipePktCtrlPtr(const PipePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("SetEmptyPipePktCtrlPtr", 1);
    EmptyPipePktCtrlPtr = ctrl;
}

BasePtr PipeHead::GetPollAdptrPtr() const {
    MXR_METHOD_FRAME("GetPollAdptrPtr", 0);
    return BasePtr(PollAdptrPtr);
}

void PipeHead::SetPollAdptrPtr(const BasePtr& adptr) {
    MXR_METHOD_FRAME("SetPollAdptrPtr", 1);
    const BasePollAdptrPtr typed(adptr);
    PollAdptrPtr = typed.Ok() ? typed.GetPtr() : nullptr;
}

unsigned PipeHead::GetMaxPktSize() const {
    MXR_METHOD_FRAME("GetMaxPktSize", 0);
    return MaxPktSize;
}

BaseAddrEntLst& PipeHead::GetAddrEntLst() {
    MXR_METHOD_FRAME("GetAddrEntLst", 0);
    return AddrEntLst;
}

BasePktBufrLst& PipeHead::GetTogoPktLst() {
    MXR_METHOD_FRAME("GetTogoPktLst", 0);
    CutQueuedMessages();
    return TogoPktLst;
}

void PipeHead::CutQueuedMessages() {
    if (TogoMsgQueue.Empty()) return;
    // Whatever waits in the list while messages are queued was appended
    // after them (through a list handed out earlier): it stays behind them.
    BasePktBufrLst behind;
    for (BasePktBufrPtr pkt; TogoPktLst.Remove(pkt) != 0;) behind.Append(pkt);
    TogoMsgQueue.CutInto(TogoPktLst);
    for (BasePktBufrPtr pkt; behind.Remove(pkt) != 0;) TogoPktLst.Append(pkt);
}

PipePktCtrlLst& PipeHead::GetRcvPktCtrlLst() {
    MXR_METHOD_FRAME("GetRcvPktCtrlLst", 0);
    return RcvPktCtrlLst;
}

BaseMsgLst& PipeHead::GetRouteUpMsgLst() {
    MXR_METHOD_FRAME("GetRouteUpMsgLst", 0);
    return RouteUpMsgLst;
}

BaseMsgLst& PipeHead::GetRouteDownMsgLst() {
    MXR_METHOD_FRAME("GetRouteDownMsgLst", 0);
    return RouteDownMsgLst;
}

std::size_t PipeHead::GetTogoBytes() const {
    MXR_METHOD_FRAME("GetTogoBytes", 0);
    return TogoBytes;
}

std::size_t PipeHead::GetAssemblyBytes() const {
    MXR_METHOD_FRAME("GetAssemblyBytes", 0);
    return AssemblyBytes;
}

long PipeHead::GetPeerPid() const {
    MXR_METHOD_FRAME("GetPeerPid", 0);
    return PeerPid;
}

void PipeHead::SetPeerPid(long pid) {
    MXR_METHOD_FRAME("SetPeerPid", 1);
    PeerPid = pid;
}

bStr PipeHead::GetIntroducedHost() const {
    MXR_METHOD_FRAME("GetIntroducedHost", 0);
    return IntroducedHost;
}

void PipeHead::SetIntroducedHost(const bStr& host) {
    MXR_METHOD_FRAME("SetIntroducedHost", 1);
    IntroducedHost = host;
}

unsigned short PipeHead::GetNextIdVal() {
    MXR_FRAME("PipeHead", "GetNextIdVal", 0, "PipeHead.c");
    return nextIdVal;
}

void PipeHead::SetNextIdVal(unsigned short id) {
    MXR_FRAME("PipeHead", "SetNextIdVal", 1, "PipeHead.c");
    nextIdVal = id;
}
