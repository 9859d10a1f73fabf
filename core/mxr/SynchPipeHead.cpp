#include "SynchPipeHead.h"

#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "BaseReqMsg.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "IoCons.h"
#include "IoObjectCvt.h"
#include "MsgIo.h"
#include "PipeHead.h"
#include "PipePktBufr.h"
#include "platform/NamedPipe.h"

using namespace portlib::platform;

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SynchPipeHead);

std::atomic<unsigned short> SynchPipeHead::nextIdVal{0};

MXR_LOCAL_FORMS(SynchPipeHead, BaseVirtItem);

namespace {

// One report, one write: lines of several threads never interleave.
void ReportLine(const std::string& line) { std::cerr << line + "\n" << std::flush; }

std::atomic<unsigned long> serialCounter{0};
std::atomic<long> extraTidCounter{0};
// The connection of this thread that holds the thread's own address (its
// serial), 0 when none does.
thread_local unsigned long ownAddrHolder = 0;

// One packet down the pipe whose descriptor context points to.
int WriteOnePacket(void* context, const char* bytes, int count) {
    hv::strbuf data{0, count, const_cast<char*>(bytes)};
    return hv::putmsg(*static_cast<int*>(context), nullptr, &data, 0) == -1 ? -1 : 0;
}

}  // namespace

SynchPipeHead::SynchPipeHead(int handle)
    : FileDscrpt(handle), MaxPktSize(0), OtherMaxPktSize(0), Serial(serialCounter.fetch_add(1) + 1) {
    MXR_METHOD_FRAME("SynchPipeHead", 1);
}

SynchPipeHead::SynchPipeHead(const bStr& path) : SynchPipeHead(-1) {
    MXR_METHOD_FRAME("SynchPipeHead", 1);
    Path_open(path);
}

SynchPipeHead::SynchPipeHead() : SynchPipeHead(-1) { MXR_METHOD_FRAME("SynchPipeHead", 0); }

SynchPipeHead::~SynchPipeHead() {
    MXR_METHOD_FRAME("~SynchPipeHead", 0);
    Close();
    if (ownAddrHolder == Serial) ownAddrHolder = 0;
}

void SynchPipeHead::Close() {
    MXR_METHOD_FRAME("Close", 0);
    if (FileDscrpt != -1) PipeClose(FileDscrpt);
    FileDscrpt = -1;
}

void SynchPipeHead::Path_open(const bStr& path) {
    MXR_METHOD_FRAME("Path_open", 1);
    int fd = -1;
    PipeConnectOptions options;
    options.timeoutMs = kPipeNoWait;
    options.readMode = PipeReadMode::Message;
    options.nonBlocking = false;
    if (PipeConnect(static_cast<const char*>(path), options, &fd) != 0) {
        FileDscrpt = -1;
        return;
    }
    // Message reads, blocking: every call here waits for the pipe. (Not
    // checked: a descriptor the layer just made takes both modes.)
    PipeSetReadMode(fd, PipeReadMode::Message);
    PipeSetBlocking(fd, true);
    FileDscrpt = fd;
    FileName = GetMxrPipeName();
    char record[PipeHead::ConnectRecordLen];
    std::memcpy(record, PipeHead::ConnectRecord, PipeHead::ConnectRecordLen);
    hv::strbuf data{0, PipeHead::ConnectRecordLen, record};
    if (hv::putmsg(fd, nullptr, &data, 0) != 0) {
        ReportLine("Error writing MXR_CONNECT_MSG");
        PipeClose(fd);
        FileDscrpt = -1;
    }
}

int SynchPipeHead::Initialize() {
    MXR_METHOD_FRAME("Initialize", 0);
    if (FileDscrpt == -1) return -1;
    long pid = BaseAddr::GetCurrentPid();
    long tid = BaseAddr::GetCurrentTid();
    if (BaseAddr::GetMxrWorldFlg() != 0) {
        // A helper thread of the manager's own process, where every address
        // reads pid 0 and tid 0 (the manager's), connects as any client does:
        // under its real ids, so that answers reach its connection.
        pid = static_cast<long>(::getpid());
        tid = static_cast<long>(::gettid());
    }
    if (ownAddrHolder == 0 || ownAddrHolder == Serial) {
        ownAddrHolder = Serial;
    } else {
        // The thread's own address is routed to its older connection.
        tid = ExtraConnectionTidBase + (extraTidCounter.fetch_add(1) % ExtraConnectionTidBase);
    }
    AddrPtr = new BaseAddr(BaseAddr::GetCurrentHost(), pid, tid);
    PktCtrl = new PipePktCtrl();
    MaxPktSize = static_cast<unsigned>(PktCtrl->NewPktBufr()->GetRecvSize());
    BaseMsgPtr init(new PipeInitMsg(AddrPtr->GetHost(), AddrPtr->GetPid(), AddrPtr->GetTid(), MaxPktSize));
    if (SynchWrite(init) != 0) return -1;
    BaseMsgPtr answer;
    if (SynchRead(answer) != 0) return -1;
    const PipeInitMsgPtr peer(answer);
    if (!peer.Ok()) return -1;
    Init_Msg_Receive(peer);
    return 0;
}

void SynchPipeHead::Init_Msg_Receive(const PipeInitMsgPtr& msg) {
    MXR_METHOD_FRAME("Init_Msg_Receive", 1);
    OtherMaxPktSize = msg->GetMax_pkt_size();
    if (OtherMaxPktSize < MaxPktSize) MaxPktSize = OtherMaxPktSize;
}

unsigned short SynchPipeHead::TakeNextIdVal() {
    MXR_FRAME("SynchPipeHead", "TakeNextIdVal", 0, "SynchPipeHead.c");
    // The counter wraps through 0, which no message carries: whoever draws
    // it draws again.
    unsigned short id = 0;
    while (id == 0) id = static_cast<unsigned short>(nextIdVal.fetch_add(1) + 1);
    return id;
}

int SynchPipeHead::SynchWrite(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SynchWrite", 1);
    if (!msg.Ok()) return -1;
    if (msg->IsOfType(BaseReqMsg::ClassCode)) msg->SetFrmAddr(AddrPtr);
    return WritePackets(msg);
}

int SynchPipeHead::SynchWriteOneWay(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SynchWriteOneWay", 1);
    if (!msg.Ok()) return -1;
    msg->SetFrmAddr(BaseAddrPtr());
    return WritePackets(msg);
}

int SynchPipeHead::WritePackets(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("WritePackets", 1);
    if (FileDscrpt == -1) return -1;
    PipePktCtrlPtr out(new PipePktCtrl());
    // While tracing is off the packets are written as they are cut from the
    // collected message; a traced run makes them and walks them.
    const bool walk = FuncInfo::MayTrace();
    int writeRc = 0;
    const unsigned short id = TakeNextIdVal();
    // Nothing goes out of a message that fails to pack or that the manager
    // would never assemble: the call fails at once instead of waiting for an
    // answer that cannot come.
    switch (walk ? out->Pack(*msg.GetPtr(), id) : out->PackAndWrite(*msg.GetPtr(), id, WriteOnePacket, &FileDscrpt, &writeRc)) {
        case PipePktCtrl::PACKED:
            break;
        case PipePktCtrl::PACK_TOO_LARGE:
            ReportLine(std::string("SynchPipeHead: ") + msg->GetClassName() +
                       " needs more packets than a receiver accepts - not sent");
            return -1;
        default:
            ReportLine(std::string("SynchPipeHead: ") + msg->GetClassName() + " could not be serialized - not sent");
            return -1;
    }
    if (!walk) return writeRc == 0 ? 0 : -1;
    for (BasePktBufrPtr pkt = out->GetFirstPktBufr(); pkt.GetPtr() != nullptr; pkt = out->GetNextPktBufr()) {
        hv::strbuf data{0, pkt->GetSendSize(), pkt->GetSendRecvAddr()};
        if (hv::putmsg(FileDscrpt, nullptr, &data, 0) == -1) return -1;
    }
    return 0;
}

int SynchPipeHead::ReadPacket(const BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("ReadPacket", 1);
    int room = pkt->GetRecvSize();
    char* pos = pkt->GetSendRecvAddr();
    int received = 0;
    bool more = false;
    while (room > 0) {
        hv::strbuf data{room, 0, pos};
        int flags = 0;
        const int rc = hv::getmsg(FileDscrpt, nullptr, &data, &flags);
        if (rc == 0) {
            received += data.len;
            more = false;
            break;
        }
        if (rc == -1) {
            ReportLine("SynchPipeHead getmsg failed ");
            return -2;
        }
        if ((rc & hv::MOREDATA) == 0) continue;
        if (data.len == 0) {
            ReportLine("SynchPipeHead got MOREDATA and no data read");
            continue;
        }
        ReportLine("SynchPipeHead in MOREDATA CaseinBuf.len = " + std::to_string(data.len));
        more = true;
        received += data.len;
        room -= data.len;
        pos += data.len;
    }
    if (more) {
        // A pipe message longer than any packet: its tail must not be taken
        // for the next packet. Read it away and refuse the packet.
        char scratch[PipePktBufr::HeaderSize + PipePktBufr::DATASIZE];
        for (;;) {
            hv::strbuf data{static_cast<int>(sizeof scratch), 0, scratch};
            int flags = 0;
            const int rc = hv::getmsg(FileDscrpt, nullptr, &data, &flags);
            if (rc == -1) {
                ReportLine("SynchPipeHead getmsg failed ");
                return -2;
            }
            if (rc == 0) break;
        }
        return -1;
    }
    return pkt->SetRecvdSize(received) == 0 ? 0 : -1;
}

int SynchPipeHead::SynchRead(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SynchRead", 1);
    if (FileDscrpt == -1) return -2;
    // Nothing of an earlier read is kept (message numbers repeat): every
    // way out of a read leaves an empty controller behind.
    if (!PktCtrl.Ok()) PktCtrl = new PipePktCtrl();
    bool assembling = false;
    long refusedId = -1;  // the message number being dropped, if any
    BasePktBufrPtr pkt;  // read into again when the controller did not keep it
    for (;;) {
        if (!PipePktBufr::RewindIfUnshared(pkt)) pkt = PktCtrl->NewPktBufr();
        const int rc = ReadPacket(pkt);
        if (rc != 0) {
            PktCtrl = new PipePktCtrl();
            return rc;
        }
        // The rest of a refused message goes without a report per packet.
        if (refusedId >= 0 && pkt->GetPktCtrlId() == refusedId && pkt->GetPktId() != 1) {
            if (pkt->GetPktId() >= pkt->GetTotalPkts()) refusedId = -1;
            continue;
        }
        refusedId = -1;
        // A pipe delivers a message's packets in order: a first packet, or
        // one of another number, starts a new message.
        if (assembling && pkt->GetPktCtrlId() == PktCtrl->GetPktCtrlId() && pkt->GetPktId() != 1) {
            PktCtrl->PutPktBufr(pkt);
        } else {
            if (assembling)
                ReportLine("SynchPipeHead dropped partial message " + std::to_string(PktCtrl->GetPktCtrlId()) +
                           " for message " + std::to_string(pkt->GetPktCtrlId()));
            PktCtrl = new PipePktCtrl(pkt);
            assembling = true;
        }
        if (PktCtrl->GetBadFlg() != 0) {
            ReportLine("SynchPipeHead refused message " + std::to_string(pkt->GetPktCtrlId()) + ": packet " +
                       std::to_string(pkt->GetPktId()) + " of " + std::to_string(pkt->GetTotalPkts()));
            if (pkt->GetPktId() < pkt->GetTotalPkts()) refusedId = pkt->GetPktCtrlId();
            PktCtrl = new PipePktCtrl();
            assembling = false;
            continue;
        }
        if (PktCtrl->AllThere()) break;
    }
    PktCtrl->SetOffset(0);
    BasePktCtrlPtr stream(PktCtrl);
    PktCtrl = new PipePktCtrl();
    // A message, or an s-expression naming one; nothing else is built.
    const BaseMsgPtr got(stream);
    if (!got.Ok()) return -1;
    msg = got;
    return 0;
}

int SynchPipeHead::GetFileDscrpt() const {
    MXR_METHOD_FRAME("GetFileDscrpt", 0);
    return FileDscrpt;
}

void SynchPipeHead::SetFileDscrpt(int handle) {
    MXR_METHOD_FRAME("SetFileDscrpt", 1);
    FileDscrpt = handle;
}

bStr SynchPipeHead::GetFileName() const {
    MXR_METHOD_FRAME("GetFileName", 0);
    return FileName;
}

void SynchPipeHead::SetFileName(const bStr& name) {
    MXR_METHOD_FRAME("SetFileName", 1);
    FileName = name;
}

unsigned SynchPipeHead::GetMaxPktSize() const {
    MXR_METHOD_FRAME("GetMaxPktSize", 0);
    return MaxPktSize;
}

unsigned SynchPipeHead::GetOtherMaxPktSize() const {
    MXR_METHOD_FRAME("GetOtherMaxPktSize", 0);
    return OtherMaxPktSize;
}

BaseAddrPtr SynchPipeHead::GetBaseAddrPtr() const {
    MXR_METHOD_FRAME("GetBaseAddrPtr", 0);
    return AddrPtr;
}

void SynchPipeHead::SetBaseAddrPtr(const BaseAddrPtr& addr) {
    MXR_METHOD_FRAME("SetBaseAddrPtr", 1);
    AddrPtr = addr;
}

PipePktCtrlPtr SynchPipeHead::GetPipePktCtrlPtr() const {
    MXR_METHOD_FRAME("GetPipePktCtrlPtr", 0);
    return PktCtrl;
}

unsigned short SynchPipeHead::GetNextIdVal() {
    MXR_FRAME("SynchPipeHead", "GetNextIdVal", 0, "SynchPipeHead.c");
    return nextIdVal.load();
}

void SynchPipeHead::SetNextIdVal(unsigned short id) {
    MXR_FRAME("SynchPipeHead", "SetNextIdVal", 1, "SynchPipeHead.c");
    nextIdVal.store(id);
}
