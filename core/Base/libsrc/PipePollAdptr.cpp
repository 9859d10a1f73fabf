#include "PipePollAdptr.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "ClassDefine.h"
#include "MsgIo.h"
#include "PipeHead.h"
#include "PipePktBufr.h"
#include "platform/NamedPipe.h"

MXR_LOCAL_CLASS_DEFINE(PipePollAdptr);

namespace {
void ReportLine(const std::string& line) { std::cerr << line + "\n" << std::flush; }
}  // namespace

PipePollAdptr::PipePollAdptr() : fd(-1), readyToSnd(0) { MXR_METHOD_FRAME("PipePollAdptr", 0); }

PipePollAdptr::PipePollAdptr(int fd_, PipeHead* head) : fd(fd_), pipeHeadPtr(head), readyToSnd(0) {
    MXR_METHOD_FRAME("PipePollAdptr", 2);
}

PipePollAdptr::~PipePollAdptr() {
    MXR_METHOD_FRAME("~PipePollAdptr", 0);
    // The endpoint does not count its adapter: it must not keep this one.
    if (pipeHeadPtr.Ok()) pipeHeadPtr->ForgetPollAdptr(this);
}

void PipePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = fd;
    p->events = readyToSnd != 0 ? POLLIN | POLLOUT : POLLIN;
    p->revents = 0;
}

void PipePollAdptr::NoteHeader(const char* bytes, int count) {
    bool more = false;
    if (count >= PipePktBufr::HeaderSize) {
        const PipePktBufr::WireHeader h = PipePktBufr::ReadHeader(bytes);
        if (h.pktId == 1) startedMany = h.pktCnt > 1;
        // A message's packets come one after another: after any but its
        // last, the next is most likely queued already, and is read without
        // asking the kernel first. A traced run asks, as it always did; a
        // descriptor whose reads may wait is read only when the kernel says
        // so, since the loop never waits on a pipe.
        more = h.pktId < h.pktCnt && !FuncInfo::MayTrace();
        if (more && readsMayWait < 0) readsMayWait = portlib::platform::PipeMayBlock(fd) ? 1 : 0;
        if (readsMayWait != 0) more = false;
    }
    if (more != ExpectsInput()) ExpectInput(more);
}

int PipePollAdptr::ReadMessage(char* pos, int room, int* total) {
    *total = 0;
    const char* const start = pos;
    while (room > 0) {
        hv::strbuf data{room, 0, pos};
        int flags = 0;
        const int rc = hv::getmsg(fd, nullptr, &data, &flags);
        if (rc == 0) {
            *total += data.len;
            NoteHeader(start, *total);
            return 2;
        }
        if (rc == -1) {
            // Nothing there after all (another reader, a spurious wake-up,
            // the rest of a message not sent yet): the pipe is still up.
            if (errno == EAGAIN) {
                if (ExpectsInput()) ExpectInput(false);
                return *total > 0 ? 1 : 0;
            }
            ReportLine("PipePollAdptr getmsg failed ");
            return -1;
        }
        if ((rc & hv::MOREDATA) == 0) continue;
        if (data.len == 0) {
            ReportLine("PipePollAdptr got MOREDATA and no data read");
            NoteHeader(start, *total);
            return 2;
        }
        ReportLine("PipePollAdptr in MOREDATA CaseinBuf.len = " + std::to_string(data.len));
        *total += data.len;
        room -= data.len;
        pos += data.len;
    }
    NoteHeader(start, *total);
    return 2;
}

void PipePollAdptr::KeepInReadPkt(const char* bytes, int count) {
    PipePktBufr::RewindIfUnshared(readPkt);
    std::memcpy(readPkt->GetSendRecvAddr(), bytes, static_cast<std::size_t>(count));
}

int PipePollAdptr::HandOver(int got, BasePktBufrPtr& pkt, int total) {
    if (got < 0) {
        pipeHeadPtr->HupDetected();
        return -1;
    }
    if (got < 2) return got;
    // A packet that refuses what arrived is dropped; the pipe stays up.
    if (total > 0 && pkt->SetRecvdSize(total) == 0) pipeHeadPtr->ProcessIncomingPktBufr(pkt);
    return 1;
}

int PipePollAdptr::ReadIntoAssembly(PipePktCtrl* into, char* slot) {
    int total = 0;
    const int got = ReadMessage(slot, PipePktBufr::HeaderSize + PipePktBufr::DATASIZE, &total);
    if (got == 2 && total > 0) {
        if (into->TakeReadSlot(total)) {
            pipeHeadPtr->TakeGathered(into);
            return 1;
        }
        // Not the next packet of that message: it goes on from the packet it
        // would have been read into.
        KeepInReadPkt(slot, total);
    }
    into->CloseReadSlot();
    return HandOver(got, readPkt, total);
}

int PipePollAdptr::ReadFirstPacket() {
    PipePktCtrl::FirstSlot slot;
    char* at = PipePktCtrl::OpenFirstSlot(&slot);
    int total = 0;
    const int got = ReadMessage(at, PipePktBufr::HeaderSize + PipePktBufr::DATASIZE, &total);
    if (got == 2 && total > 0) {
        if (PipePktCtrl* started = PipePktCtrl::StartFromSlot(&slot, total)) {
            pipeHeadPtr->StartGathered(started);
            return 1;
        }
        // Anything else goes on from the packet it would have been read into.
        KeepInReadPkt(at, total);
    }
    PipePktCtrl::CloseFirstSlot(&slot);
    return HandOver(got, readPkt, total);
}

int PipePollAdptr::ReadOnePacket() {
    MXR_METHOD_FRAME("ReadOnePacket", 0);
    // A packet that continues the one message in assembly is read straight
    // into the bytes its controller gathers, one that may start a message
    // into a buffer that its controller may take over; meanwhile the packet
    // it would have been read into lies unused.
    if (PipePktBufr::IsFullSpare(readPkt)) {
        if (PipePktCtrl* into = pipeHeadPtr->GatheringCtrl()) {
            if (char* slot = into->OpenReadSlot()) return ReadIntoAssembly(into, slot);
        } else if (startedMany && pipeHeadPtr->MayStartGathered()) {
            return ReadFirstPacket();
        }
    }
    if (!PipePktBufr::RewindIfUnshared(readPkt)) readPkt = pipeHeadPtr->GetEmptyPktBufr();
    // Only this function changes readPkt, and ProcessRevents keeps the
    // adapter for the whole call: the packet needs no counted copy, but
    // for a traced run, which shows the copy it always made.
    std::optional<BasePktBufrPtr> traced;
    if (FuncInfo::MayTrace()) traced.emplace(readPkt);
    BasePktBufrPtr& pkt = traced ? *traced : readPkt;
    if (pkt.GetPtr() == nullptr) return 0;
    const int room = pkt->GetRecvSize();
    char* pos = pkt->GetSendRecvAddr();
    int total = 0;
    const int got = ReadMessage(pos, room, &total);
    return HandOver(got, pkt, total);
}

int PipePollAdptr::WriteOnePacket() {
    MXR_METHOD_FRAME("WriteOnePacket", 0);
    BasePktBufrPtr pkt = blockedPkt;
    blockedPkt = BasePktBufrPtr();
    if (pkt.GetPtr() == nullptr) pkt = pipeHeadPtr->GetPktBufrToSend();
    if (pkt.GetPtr() == nullptr) {
        SetReadyToSnd(0);
        return 0;
    }
    hv::strbuf data{0, pkt->GetSendSize(), pkt->GetSendRecvAddr()};
    if (hv::putmsg(fd, nullptr, &data, 0) == 0) return 1;
    if (errno == EAGAIN) {
        // No room now: the pipe is up. This packet goes first next time.
        blockedPkt = pkt;
        return 0;
    }
    ReportLine("PipePollAdaptr putmsg failed");
    pipeHeadPtr->HupDetected();
    return -1;
}

BasePollAdptr::enWork PipePollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    // A hang-up inside may release this adapter and its endpoint: both stay
    // until the call returns.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);  // one nobody counts is not touched
    const PipeHeadPtr head(pipeHeadPtr);
    if (!head.Ok()) return NOWORK;
    int work = 0;
    if (p->revents & POLLIN) {
        const int got = ReadOnePacket();
        // Hung up while reading (a failed read, a peer past a high-water
        // mark): nothing more is done with this pipe.
        if (got < 0 || head->PollAdptrPtr != this) return DIDWORK;
        if (got > 0) work = 1;
    }
    if (p->revents & POLLHUP) {
        head->HupDetected();
        return work ? DIDWORK : NOWORK;
    }
    if (p->revents & POLLERR) {
        ReportLine(std::string(GetClassName()) + ": got POLLERR  on file descriptor " + std::to_string(fd));
        head->HupDetected();
        return work ? DIDWORK : NOWORK;
    }
    if (p->revents & POLLOUT) {
        const int wrote = WriteOnePacket();
        if (wrote != 0) work = 1;
    }
    return work ? DIDWORK : NOWORK;
}

int PipePollAdptr::GetFd() const {
    MXR_METHOD_FRAME("GetFd", 0);
    return fd;
}

void PipePollAdptr::SetFd(int fd_) {
    MXR_METHOD_FRAME("SetFd", 1);
    if (fd == fd_) return;
    fd = fd_;
    readsMayWait = -1;
    if (ExpectsInput()) ExpectInput(false);
    InterestChanged();
}

PipeHeadPtr PipePollAdptr::GetPipeHeadPtr() const {
    MXR_METHOD_FRAME("GetPipeHeadPtr", 0);
    return pipeHeadPtr;
}

void PipePollAdptr::SetPipeHeadPtr(const PipeHeadPtr& head) {
    MXR_METHOD_FRAME("SetPipeHeadPtr", 1);
    if (pipeHeadPtr.Ok() && pipeHeadPtr.GetPtr() != head.GetPtr()) pipeHeadPtr->ForgetPollAdptr(this);
    pipeHeadPtr = head;
}

int PipePollAdptr::GetReadyToSnd() const {
    MXR_METHOD_FRAME("GetReadyToSnd", 0);
    return readyToSnd;
}

void PipePollAdptr::SetReadyToSnd(int ready) {
    MXR_METHOD_FRAME("SetReadyToSnd", 1);
    if ((readyToSnd != 0) == (ready != 0)) {
        readyToSnd = ready;
        return;
    }
    readyToSnd = ready;
    InterestChanged();
}

int PipePollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return 1;
}

BasePktBufrPtr PipePollAdptr::GetPktBufrBeingRead() const {
    MXR_METHOD_FRAME("GetPktBufrBeingRead", 0);
    return pktBufrBeingRead;
}

void PipePollAdptr::SetPktBufrBeingRead(const BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("SetPktBufrBeingRead", 1);
    pktBufrBeingRead = pkt;
}
