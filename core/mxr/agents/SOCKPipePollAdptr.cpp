#include "SOCKPipePollAdptr.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "ClassDefine.h"
#include "MxrAssert.h"
#include "PipeHead.h"
#include "SOCKPipeHead.h"
#include "SockIoError.h"
#include "SockTrace.h"

MXR_LOCAL_CLASS_DEFINE(SOCKPipePollAdptr);

namespace {
constexpr int kHeaderSize = 8;
constexpr int kMaxPacket = 520;

int LengthField(const char* base) {
    const auto* b = reinterpret_cast<const unsigned char*>(base);
    return b[0] | (b[1] << 8);
}
}  // namespace

SOCKPipePollAdptr::SOCKPipePollAdptr() : RcvdSizeAtLastRead(0) { MXR_METHOD_FRAME("SOCKPipePollAdptr", 0); }

SOCKPipePollAdptr::SOCKPipePollAdptr(int fd, PipeHead* head) : PipePollAdptr(fd, head), RcvdSizeAtLastRead(0) {
    MXR_METHOD_FRAME("SOCKPipePollAdptr", 2);
}

SOCKPipePollAdptr::~SOCKPipePollAdptr() { MXR_METHOD_FRAME("~SOCKPipePollAdptr", 0); }

int SOCKPipePollAdptr::GetRcvdSizeAtLastRead() const { return RcvdSizeAtLastRead; }
void SOCKPipePollAdptr::SetRcvdSizeAtLastRead(int n) { RcvdSizeAtLastRead = n; }
BasePktBufrPtr SOCKPipePollAdptr::GetSavedBasePktBufrPtr() const { return SavedBasePktBufrPtr; }
void SOCKPipePollAdptr::SetSavedBasePktBufrPtr(const BasePktBufrPtr& pkt) {
    SavedBasePktBufrPtr = pkt;
    SavedBase = pkt.GetPtr() != nullptr ? pkt->GetSendRecvAddr() : nullptr;
}
int SOCKPipePollAdptr::GetUnsentBytes() const { return BatchEnd - BatchSent; }

void SOCKPipePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    if (GetFd() == -1 && MarkedFd != -1) {
        // Marked: served once more (for its tear-down) on the socket it had.
        p->fd = MarkedFd;
        p->events = POLLIN;
        p->revents = 0;
        return;
    }
    p->fd = GetFd();
    p->events = POLLIN;
    if (GetReadyToSnd() != 0 || BatchEnd > BatchSent) p->events |= POLLOUT;
    p->revents = 0;
}

int SOCKPipePollAdptr::TellsInterestChanges() const { return 1; }

void SOCKPipePollAdptr::MarkForHangUp() {
    MXR_METHOD_FRAME("MarkForHangUp", 0);
    if (GetFd() == -1) return;
    MarkedFd = GetFd();
    SetFd(-1);
    // No news will come for it: the loop serves it for input all the same.
    ExpectInput(true);
}

bool SOCKPipePollAdptr::Introduced() const {
    const SOCKPipeHeadPtr sock{BasePtr(GetPipeHeadPtr().GetPtr())};
    return !sock.Ok() || sock->GetGotInit() != 0;
}

bool SOCKPipePollAdptr::StillServing() const {
    const PipeHeadPtr head = GetPipeHeadPtr();
    return head.Ok() && head->GetPollAdptrPtr().GetPtr() == this;
}

BasePollAdptr::enWork SOCKPipePollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    // A hang-up de-registers this adaptor and may drop the last reference of
    // it and of its head: both stay until the call returns.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    const PipeHeadPtr head = GetPipeHeadPtr();
    // Hung up already (its head let it go): nothing more on this socket.
    if (!head.Ok() || !StillServing()) return NOWORK;
    if (GetFd() == -1) {
        // The partner connection of this path hung up and marked this one.
        if (ExpectsInput()) ExpectInput(false);
        const SOCKPipeHeadPtr sock{BasePtr(head.GetPtr())};
        if (sock.Ok()) sock->RestartSetUp();
        head->HupDetected();
        return DIDWORK;
    }
    const bool hup = (p->revents & POLLHUP) != 0;
    if (p->revents & POLLIN) {
        if (ReadAvailable() < 0 || !StillServing()) return DIDWORK;
    }
    if (hup || (p->revents & POLLERR) != 0) {
        SockTrace(hup ? "SOCKPipePollAdptr::ProcessRevent() - POLLHUP" : "SOCKPipePollAdptr::ProcessRevent() - POLLERR");
        ProcessDisconnect();
        return DIDWORK;
    }
    if (p->revents & POLLOUT) {
        if (SendSome() != 0) return DIDWORK;
    }
    return NOWORK;
}

void SOCKPipePollAdptr::KeepPartial(const char* bytes, int n) {
    if (SavedBasePktBufrPtr.GetPtr() == nullptr) {
        const PipeHeadPtr head = GetPipeHeadPtr();
        BasePktBufrPtr buf = head->GetEmptyPktBufr();
        MXR_ASSERT(buf.Ok(), "basePktBufrPtr.Ok()", "SOCKPipePollAdptr");
        SetSavedBasePktBufrPtr(buf);
    }
    // Within one packet's room: the length was judged, or is not known yet.
    std::memmove(SavedBase, bytes, static_cast<size_t>(n));
    RcvdSizeAtLastRead = n;
}

void SOCKPipePollAdptr::DropPartial() {
    SavedBasePktBufrPtr = BasePktBufrPtr();
    SavedBase = nullptr;
    RcvdSizeAtLastRead = 0;
}

int SOCKPipePollAdptr::ReadAvailable() {
    MXR_METHOD_FRAME("ReadAvailable", 0);
    // The incomplete packet of the last read goes first, then what the
    // socket holds, up to the bound, in one read.
    if (ReadBuf.empty()) ReadBuf.resize(static_cast<size_t>(kMaxPacket + MaxReadPerTurn));
    const int kept = SavedBasePktBufrPtr.GetPtr() != nullptr ? RcvdSizeAtLastRead : 0;
    if (kept > 0) std::memcpy(ReadBuf.data(), SavedBase, static_cast<size_t>(kept));
    const ssize_t n = recv(GetFd(), ReadBuf.data() + kept, static_cast<size_t>(MaxReadPerTurn), MSG_DONTWAIT);
    if (n == 0) {
        // The peer closed its end: nothing more will come.
        SockTrace("Recv returned 0: hanging up");
        ProcessDisconnect();
        return -1;
    }
    if (n < 0) {
        const int err = errno;
        if (ExpectsInput()) ExpectInput(false);
        if (SockIoActionOf(err) == SockIoAction::Later) return 0;
        SockReport("SOCKPipePollAdptr::ProcessRevents recv  error " + std::to_string(err) + ": Hanging up");
        ProcessDisconnect();
        return -1;
    }
    // A full read leaves more behind: served again without a look at the
    // kernel. A short one took everything.
    const bool full = n == MaxReadPerTurn;
    if (full != ExpectsInput()) ExpectInput(full);
    if (ProcessIncomingData(ReadBuf.data(), kept + static_cast<int>(n)) < 0) return -1;
    // A delivered message may have hung this connection up (a peer past
    // the head's high-water mark).
    if (!StillServing()) return -1;
    return 1;
}

int SOCKPipePollAdptr::ProcessIncomingData(const char* bytes, int n) {
    MXR_METHOD_FRAME("ProcessIncomingData", 2);
    const PipeHeadPtr head = GetPipeHeadPtr();
    while (n > 0) {
        if (n < 2) {
            // The length is not known before both of its bytes are in.
            KeepPartial(bytes, n);
            return 0;
        }
        const int len = LengthField(bytes);
        if (len < kHeaderSize || len > kMaxPacket) {
            SockReport("SOCKPipePollAdptr::ProcessIncomingData packet length " + std::to_string(len) +
                       " out of range 8..520: Hanging up");
            DropPartial();
            ProcessDisconnect();
            return -1;
        }
        if (n < len) {
            SockTrace("SOCKPipePollAdptr::ProcessRevents POLLIN rcvdSize=" + std::to_string(n) +
                      " totalBytesSent=" + std::to_string(len));
            KeepPartial(bytes, n);
            return 0;
        }
        if (n > len)
            SockTrace("SOCKPipePollAdptr::ProcessRevents POLLIN rcvdSize=" + std::to_string(n) +
                      " totalBytesSent=" + std::to_string(len));
        BasePktBufrPtr pkt = SavedBasePktBufrPtr;
        char* base = SavedBase;
        if (pkt.GetPtr() != nullptr) {
            // The kept packet's buffer serves for the next complete one.
            SavedBasePktBufrPtr = BasePktBufrPtr();
            SavedBase = nullptr;
        } else {
            pkt = head->GetEmptyPktBufr();
            MXR_ASSERT(pkt.Ok(), "basePktBufrPtr.Ok()", "SOCKPipePollAdptr");
            base = pkt->GetSendRecvAddr();
        }
        RcvdSizeAtLastRead = 0;
        std::memmove(base, bytes, static_cast<size_t>(len));
        if (pkt->SetRecvdSize(len) != 0) {
            SockReport(std::string(GetClassName()) + "ERROR: SetRecvdSize failed");
        } else if (head->ProcessIncomingPktBufr(pkt) < 0 && StillServing() && !Introduced()) {
            // A peer that has not introduced itself and sends what is no
            // message is no agent: hung up at once, before it fills the log
            // with a report per packet.
            SockReport("SOCKPipePollAdptr: a connection that sent no PipeInitMsg sent what is no message: Hanging up");
            DropPartial();
            ProcessDisconnect();
            return -1;
        }
        if (!StillServing()) return -1;
        n -= len;
        bytes += len;
    }
    return 0;
}

void SOCKPipePollAdptr::FillBatch() {
    const PipeHeadPtr head = GetPipeHeadPtr();
    if (BatchSent == BatchEnd) {
        BatchSent = BatchEnd = 0;
    } else if (BatchSent > 0 && MaxBatchBytes - BatchEnd < kMaxPacket) {
        // The unsent rest moves to the front: room for more behind it.
        std::memmove(Batch.data(), Batch.data() + BatchSent, static_cast<size_t>(BatchEnd - BatchSent));
        BatchEnd -= BatchSent;
        BatchSent = 0;
    }
    if (Batch.empty()) Batch.resize(static_cast<size_t>(MaxBatchBytes));
    while (MaxBatchBytes - BatchEnd >= kMaxPacket) {
        BasePktBufrPtr pkt = head->GetPktBufrToSend();
        if (pkt.GetPtr() == nullptr) return;
        // The size first: it also writes the length field.
        const int size = pkt->GetSendSize();
        const char* bytes = pkt->GetSendRecvAddr();
        if (size < kHeaderSize || size > kMaxPacket) {
            SockReport(std::string(GetClassName()) + ": a packet of " + std::to_string(size) + " bytes not sent");
            continue;
        }
        std::memcpy(Batch.data() + BatchEnd, bytes, static_cast<size_t>(size));
        BatchEnd += size;
    }
}

int SOCKPipePollAdptr::SendSome() {
    MXR_METHOD_FRAME("SendSome", 0);
    FillBatch();
    if (BatchEnd == BatchSent) {
        SetReadyToSnd(0);
        return 0;
    }
    const ssize_t n = send(GetFd(), Batch.data() + BatchSent, static_cast<size_t>(BatchEnd - BatchSent),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
        const int err = errno;
        // No room now: the rest goes first when the socket is writable.
        if (SockIoActionOf(err) == SockIoAction::Later) return 0;
        SockReport(" SOCKPipePollAdptr::ProcessRevents send error " + std::to_string(err) + ": Hanging up");
        BatchSent = BatchEnd = 0;
        ProcessDisconnect();
        return -1;
    }
    BatchSent += static_cast<int>(n);
    if (BatchSent == BatchEnd) {
        // All out: what was queued meanwhile makes the next batch; nothing
        // queued, and the connection no longer asks to write.
        FillBatch();
        if (BatchSent == BatchEnd) SetReadyToSnd(0);
    }
    return n > 0 ? 1 : 0;
}

void SOCKPipePollAdptr::ProcessDisconnect() {
    MXR_METHOD_FRAME("ProcessDisconnect", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    const PipeHeadPtr head = GetPipeHeadPtr();
    if (!head.Ok()) return;
    if (!StillServing()) return;  // hung up already: once only
    const SOCKPipeHeadPtr sock{BasePtr(head.GetPtr())};
    if (sock.Ok()) {
        sock->MarkPartnerForHangUp();
        sock->RestartSetUp();
    }
    head->HupDetected();
}
