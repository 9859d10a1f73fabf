#include "TTYPipePollAdptr.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "ClassDefine.h"
#include "TTYPipeHead.h"
#include "TTYTrace.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(TTYPipePollAdptr);

// The wire form is the pipe adaptor's; the text form the class name alone.
int _serialize(BasePktCtrl& c, TTYPipePollAdptr& v) {
    MXR_FRAME_OF_(TTYPipePollAdptr, "_serialize", 2);
    return _serialize(c, static_cast<PipePollAdptr&>(v));
}

IoItemPtr GetIoItemFrom(const TTYPipePollAdptr& v) {
    MXR_FRAME_OF_(TTYPipePollAdptr, "GetIoItemFrom", 1);
    return GetIoItemFrom(static_cast<const BaseVirtItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, TTYPipePollAdptr& v) {
    MXR_FRAME_OF_(TTYPipePollAdptr, "SetFromIoItem", 2);
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}

namespace {
// The most bytes read in one turn: a line that never stops sending does not
// keep the loop from its other work.
constexpr int kMaxReadPerTurn = 64 * 1024;
}  // namespace

TTYPipePollAdptr::TTYPipePollAdptr() : pendingAt(0) { MXR_METHOD_FRAME("TTYPipePollAdptr", 0); }

TTYPipePollAdptr::TTYPipePollAdptr(int fd, PipeHead* head) : PipePollAdptr(fd, head), pendingAt(0) {
    MXR_METHOD_FRAME("TTYPipePollAdptr", 2);
}

TTYPipePollAdptr::~TTYPipePollAdptr() {
    MXR_METHOD_FRAME("~TTYPipePollAdptr", 0);
    ClearSendMsgSMLst();
    SetFd(-1);
}

bool TTYPipePollAdptr::WantsOutput() const {
    if (pendingAt < pending.size()) return true;
    if (GetReadyToSnd() != 0) return true;
    return PktBufrWaitLst.GetItemCnt() > 0 && SendMsgSMLst.GetItemCnt() < MaxOutstanding;
}

void TTYPipePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = GetFd();
    p->events = static_cast<short>(POLLIN | POLLHUP | (WantsOutput() ? POLLOUT : 0));
    p->revents = 0;
}

int TTYPipePollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return 0;
}

bool TTYPipePollAdptr::ReadLine(std::vector<TTYFrameReader::Frame>& frames, bool& hungUp) {
    char buf[4096];
    int total = 0;
    while (total < kMaxReadPerTurn) {
        const ssize_t n = ::read(GetFd(), buf, sizeof buf);
        if (n > 0) {
            reader.Feed(buf, static_cast<int>(n), frames);
            total += static_cast<int>(n);
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        if (errno == EIO) {
            // The other side of the line is gone (a pty whose master closed).
            hungUp = true;
            break;
        }
        ttyagent::ReportErr("TTYPipePollAdptr::ProcessRevents getmsgEx " + std::to_string(errno));
        return false;
    }
    return true;
}

bool TTYPipePollAdptr::FlushOutput() {
    while (pendingAt < pending.size()) {
        const ssize_t n = ::write(GetFd(), pending.data() + pendingAt, pending.size() - pendingAt);
        if (n > 0) {
            pendingAt += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        // The line refuses: what waits is lost (the machines write again).
        pending.clear();
        pendingAt = 0;
        return false;
    }
    pending.clear();
    pendingAt = 0;
    return true;
}

int TTYPipePollAdptr::WriteToLine(const char* bytes, int n) {
    MXR_METHOD_FRAME("WriteToLine", 2);
    if (n <= 0) return 0;
    if (pending.size() - pendingAt + static_cast<std::size_t>(n) > MaxPendingOutput) return -1;
    if (pendingAt > 0 && pendingAt == pending.size()) {
        pending.clear();
        pendingAt = 0;
    }
    pending.append(bytes, static_cast<std::size_t>(n));
    return FlushOutput() ? 0 : -1;
}

std::size_t TTYPipePollAdptr::GetPendingOutput() const {
    MXR_METHOD_FRAME("GetPendingOutput", 0);
    return pending.size() - pendingAt;
}

int TTYPipePollAdptr::SendOnePacket() {
    TTYPipeHeadPtr head(GetPipeHeadPtr());
    if (!head.Ok()) return 0;
    TTYPktBufrPtr pkt;
    if (SendMsgSMLst.GetItemCnt() < MaxOutstanding) pkt = GetPktBufrWaitLstToSend();
    if (!pkt.Ok()) {
        const BasePktBufrPtr next = head->GetPktBufrToSend();
        if (next.GetPtr() == nullptr) {
            SetReadyToSnd(0);
            return 0;
        }
        pkt = TTYPktBufrPtr(next);
        if (!pkt.Ok()) return 1;  // not a serial packet: nothing to write
    }
    if (pkt->GetAckNotRequired() != 0) {
        // Sums on an answer too: a damaged ACK must never pass for the ACK of
        // another packet. A receiver that does not check them ignores them.
        pkt->StampCheckSums();
        const int size = pkt->GetSendSize();
        if (WriteToLine(pkt->GetSendRecvAddr(), size) != 0) {
            ttyagent::TraceErr("TTYSendMsg::putmsgEx error");
            return 0;
        }
        return 1;
    }
    if (SendMsgSMLst.GetItemCnt() >= MaxOutstanding) {
        PktBufrWaitLst.Append(pkt);
        return 0;
    }
    pkt->StampCheckSums();
    TTYSendMsgSMPtr sm(new TTYSendMsgSM(GetFd(), pkt, this, 0));
    sm->KickStart();
    return 1;
}

BasePollAdptr::enWork TTYPipePollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    // A packet handed on may make the head let this adaptor go (a new
    // connection from the peer): both stay alive until the turn ends, and the
    // turn ends as soon as the head no longer polls through this adaptor.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    const TTYPipeHeadPtr head(GetPipeHeadPtr());
    if (!head.Ok()) return NOWORK;
    auto stillMine = [&] { return head->GetPollAdptrPtr().GetPtr() == this; };
    const short r = p->revents;
    if (r & POLLERR) {
        ttyagent::TraceErr("TTYPipePollAdptr::ProcessRevent() - POLLERR comError =" + std::to_string(r));
        reader.Reset();
        // A line error is over once reported; one that stays is a line gone
        // (nothing clears it here), not a reason to wake the loop for ever.
        if (++errorTurns >= MaxErrorTurns) {
            head->LineHungUp();
            return DIDWORK;
        }
        return NOWORK;
    }
    errorTurns = 0;
    bool hungUp = (r & POLLHUP) != 0;
    int work = 0;
    if (r & POLLIN) {
        std::vector<TTYFrameReader::Frame> frames;
        if (!ReadLine(frames, hungUp)) return NOWORK;
        for (TTYFrameReader::Frame& f : frames) {
            BasePktBufrPtr pkt(f.pkt);
            switch (f.verdict) {
            case TTYFrameReader::Verdict::Nack:
                head->NackThePacket(pkt);
                break;
            case TTYFrameReader::Verdict::AckDeliver:
                ttyagent::TraceOut("Acking PktCtrlId " + std::to_string(f.pkt->GetPktCtrlId()) + " PktId " +
                                   std::to_string(f.pkt->GetPktId()));
                head->AckThePacket(pkt);
                head->ProcessIncomingPktBufr(pkt);
                work = 1;
                break;
            case TTYFrameReader::Verdict::Deliver:
                head->ProcessIncomingPktBufr(pkt);
                work = 1;
                break;
            }
            if (!stillMine()) return DIDWORK;
        }
    }
    if (hungUp) {
        ttyagent::TraceErr("TTYPipePollAdptr::ProcessRevent() - POLLHUP");
        head->LineHungUp();
        return work ? DIDWORK : NOWORK;
    }
    if (r & POLLOUT) {
        if (!FlushOutput()) ttyagent::TraceErr("TTYSendMsg::putmsgEx error");
        if (pendingAt == pending.size() && SendOnePacket() != 0) work = 1;
    }
    return work ? DIDWORK : NOWORK;
}

TTYSendMsgSMLst& TTYPipePollAdptr::GetSendMsgSMLst() {
    MXR_METHOD_FRAME("GetSendMsgSMLst", 0);
    return SendMsgSMLst;
}

TTYPktBufrLst& TTYPipePollAdptr::GetPktBufrWaitLst() {
    MXR_METHOD_FRAME("GetPktBufrWaitLst", 0);
    return PktBufrWaitLst;
}

TTYPktBufrPtr TTYPipePollAdptr::GetPktBufrWaitLstToSend() {
    MXR_METHOD_FRAME("GetPktBufrWaitLstToSend", 0);
    BasePtr pkt;
    PktBufrWaitLst.Remove(pkt);
    return TTYPktBufrPtr(pkt);
}

void TTYPipePollAdptr::ClearSendMsgSMLst() {
    MXR_METHOD_FRAME("ClearSendMsgSMLst", 0);
    BasePtr item;
    while (SendMsgSMLst.Remove(item)) {
        const TTYSendMsgSMPtr sm(item);
        if (sm.Ok()) sm->SetPollAdptrPtr(nullptr);
        item = BasePtr();
    }
}

void TTYPipePollAdptr::AddSendMsgSM(const TTYSendMsgSMPtr& sm) {
    MXR_METHOD_FRAME("AddSendMsgSM", 1);
    SendMsgSMLst.Append(sm);
}

void TTYPipePollAdptr::RemoveSendMsgSM(TTYSendMsgSM* sm) {
    MXR_METHOD_FRAME("RemoveSendMsgSM", 1);
    TTYSendMsgSMPtr held(sm);
    sm->SetPollAdptrPtr(nullptr);
    SendMsgSMLst.RemoveItem(held);
}

TTYFrameReader& TTYPipePollAdptr::GetFrameReader() {
    MXR_METHOD_FRAME("GetFrameReader", 0);
    return reader;
}
