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

SOCKPipePollAdptr::SOCKPipePollAdptr() : RcvdSizeAtLastRead(0), SendingSent(0), SendingSize(0) {
    MXR_METHOD_FRAME("SOCKPipePollAdptr", 0);
}

SOCKPipePollAdptr::SOCKPipePollAdptr(int fd, PipeHead* head)
    : PipePollAdptr(fd, head), RcvdSizeAtLastRead(0), SendingSent(0), SendingSize(0) {
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
int SOCKPipePollAdptr::GetUnsentBytes() const {
    return SendingPktBufrPtr.GetPtr() != nullptr ? SendingSize - SendingSent : 0;
}

void SOCKPipePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = GetFd();
    p->events = POLLIN;
    if (GetReadyToSnd() != 0 || SendingPktBufrPtr.GetPtr() != nullptr) p->events |= POLLOUT;
    p->revents = 0;
}

int SOCKPipePollAdptr::TellsInterestChanges() const { return 0; }

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

int SOCKPipePollAdptr::ReadAvailable() {
    MXR_METHOD_FRAME("ReadAvailable", 0);
    const PipeHeadPtr head = GetPipeHeadPtr();
    int got = 0;
    int budget = MaxReadPerTurn;
    while (budget > 0) {
        BasePktBufrPtr buf = SavedBasePktBufrPtr;
        char* base = SavedBase;
        if (buf.GetPtr() == nullptr) {
            buf = head->GetEmptyPktBufr();
            MXR_ASSERT(buf.Ok(), "basePktBufrPtr.Ok()", "SOCKPipePollAdptr");
            // Asked once: the buffer writes its (empty) header fields over
            // the block each time it is asked.
            base = buf->GetSendRecvAddr();
            RcvdSizeAtLastRead = 0;
        }
        const int room = buf->GetRecvSize() - RcvdSizeAtLastRead;
        const ssize_t n = recv(GetFd(), base + RcvdSizeAtLastRead, static_cast<size_t>(room), MSG_DONTWAIT);
        if (n == 0) {
            // The peer closed its end: nothing more will come.
            SockTrace("Recv returned 0: hanging up");
            ProcessDisconnect();
            return -1;
        }
        if (n < 0) {
            const int err = errno;
            if (SockIoActionOf(err) == SockIoAction::Later) break;
            SockReport("SOCKPipePollAdptr::ProcessRevents recv  error " + std::to_string(err) + ": Hanging up");
            ProcessDisconnect();
            return -1;
        }
        got = 1;
        budget -= static_cast<int>(n);
        const int total = RcvdSizeAtLastRead + static_cast<int>(n);
        SavedBasePktBufrPtr = BasePktBufrPtr();
        SavedBase = nullptr;
        RcvdSizeAtLastRead = 0;
        if (ProcessIncomingData(buf, base, total) < 0) return -1;
        // A delivered message may have hung this connection up (a peer past
        // the head's high-water mark).
        if (!StillServing()) return -1;
    }
    return got;
}

int SOCKPipePollAdptr::ProcessIncomingData(BasePktBufrPtr pkt, char* base, int n) {
    MXR_METHOD_FRAME("ProcessIncomingData", 2);
    const PipeHeadPtr head = GetPipeHeadPtr();
    while (n > 0) {
        if (n < 2) {
            // The length is not known before both of its bytes are in.
            SavedBasePktBufrPtr = pkt;
            SavedBase = base;
            RcvdSizeAtLastRead = n;
            return 0;
        }
        const int len = LengthField(base);
        if (len < kHeaderSize || len > kMaxPacket) {
            SockReport("SOCKPipePollAdptr::ProcessIncomingData packet length " + std::to_string(len) +
                       " out of range 8..520: Hanging up");
            SavedBasePktBufrPtr = BasePktBufrPtr();
            SavedBase = nullptr;
            RcvdSizeAtLastRead = 0;
            ProcessDisconnect();
            return -1;
        }
        if (n < len) {
            SockTrace("SOCKPipePollAdptr::ProcessRevents POLLIN rcvdSize=" + std::to_string(n) +
                      " totalBytesSent=" + std::to_string(len));
            SavedBasePktBufrPtr = pkt;
            SavedBase = base;
            RcvdSizeAtLastRead = n;
            return 0;
        }
        BasePktBufrPtr rest;
        char* restBase = nullptr;
        if (n > len) {
            SockTrace("SOCKPipePollAdptr::ProcessRevents POLLIN rcvdSize=" + std::to_string(n) +
                      " totalBytesSent=" + std::to_string(len));
            rest = head->GetEmptyPktBufr();
            MXR_ASSERT(rest.Ok(), "basePktBufrPtr.Ok()", "SOCKPipePollAdptr");
            restBase = rest->GetSendRecvAddr();
            std::memcpy(restBase, base + len, static_cast<size_t>(n - len));
        }
        if (pkt->SetRecvdSize(len) != 0)
            SockReport(std::string(GetClassName()) + "ERROR: SetRecvdSize failed");
        else
            head->ProcessIncomingPktBufr(pkt);
        if (!StillServing()) return -1;
        n -= len;
        pkt = rest;
        base = restBase;
    }
    return 0;
}

int SOCKPipePollAdptr::SendSome() {
    MXR_METHOD_FRAME("SendSome", 0);
    const PipeHeadPtr head = GetPipeHeadPtr();
    if (SendingPktBufrPtr.GetPtr() == nullptr) {
        BasePktBufrPtr pkt = head->GetPktBufrToSend();
        if (pkt.GetPtr() == nullptr) {
            SetReadyToSnd(0);
            return 0;
        }
        SendingSize = pkt->GetSendSize();
        SendingSent = 0;
        SendingPktBufrPtr = pkt;
        SendingBase = pkt->GetSendRecvAddr();
    }
    int moved = 0;
    while (SendingSent < SendingSize) {
        const ssize_t n = send(GetFd(), SendingBase + SendingSent,
                               static_cast<size_t>(SendingSize - SendingSent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            const int err = errno;
            // No room now: the tail goes first when the socket is writable.
            if (SockIoActionOf(err) == SockIoAction::Later) return moved;
            SockReport(" SOCKPipePollAdptr::ProcessRevents send error " + std::to_string(err) + ": Hanging up");
            SendingPktBufrPtr = BasePktBufrPtr();
            ProcessDisconnect();
            return -1;
        }
        SendingSent += static_cast<int>(n);
        if (n > 0) moved = 1;
    }
    SendingPktBufrPtr = BasePktBufrPtr();
    SendingBase = nullptr;
    SendingSent = SendingSize = 0;
    return 1;
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
