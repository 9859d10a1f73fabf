// The poll adapter of a pipe endpoint: each poll turn it asks for input (and
// for room to write while its endpoint has packets queued), then reads at
// most one pipe message into a packet for the endpoint and writes at most one
// queued packet, so a busy pipe never starves the other descriptors of the
// loop. A hang-up, a pipe error or a failed read or write ends in the
// endpoint's HupDetected, once.
//
// "Nothing to read now" and "no room now" are not failures: a packet that
// would block is kept and written first when the pipe has room again.
#pragma once

#include "BasePktBufr.h"
#include "BasePollAdptr.h"

MXR_FORWARD_PTR(PipeHead);
class PipePktCtrl;

class PipePollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(PipePollAdptr, BasePollAdptr);
    MXR_FIELDS(MXR_FIELD("fd", fd), MXR_FIELD("pipeHeadPtr", pipeHeadPtr), MXR_FIELD("readyToSnd", readyToSnd),
               MXR_FIELD("pktBufrBeingRead", pktBufrBeingRead));

public:
    PipePollAdptr();
    // Holds the endpoint (counted).
    PipePollAdptr(int fd, PipeHead* head);
    ~PipePollAdptr() override;

    int GetFd() const;
    void SetFd(int fd);
    PipeHeadPtr GetPipeHeadPtr() const;
    void SetPipeHeadPtr(const PipeHeadPtr& head);
    int GetReadyToSnd() const;
    void SetReadyToSnd(int ready);
    // Its entry follows fd and readyToSnd, and it tells their changes.
    int TellsInterestChanges() const override;
    BasePktBufrPtr GetPktBufrBeingRead() const;
    void SetPktBufrBeingRead(const BasePktBufrPtr& pkt);

    // fd; POLLIN, or POLLIN | POLLOUT while readyToSnd; revents 0.
    void PopulatePollInfo(hv::pollfd* p) override;
    // Reads one message, then a hang-up or error ends the turn, else writes
    // one packet.
    enWork ProcessRevents(hv::pollfd* p) override;

private:
    // One pipe message into a new packet for the endpoint: 1 read, 0 nothing
    // there now, -1 the read failed (the hang-up is then reported).
    int ReadOnePacket();
    // One pipe message into [pos, pos + room): 2 read (*total its bytes),
    // 0 nothing there now, 1 nothing more now after a part, -1 the read
    // failed (reported; the caller reports the hang-up).
    int ReadMessage(char* pos, int room, int* total);
    // After a message read (count bytes at bytes): what its header tells of
    // the messages to come (startedMany; more of its message right away).
    void NoteHeader(const char* bytes, int count);
    // A packet read elsewhere goes on as if read into readPkt.
    void KeepInReadPkt(const char* bytes, int count);
    // What a read leads to (got as ReadMessage answers, total bytes in pkt):
    // the hang-up of a failed read, or the packet handed to the endpoint; as
    // ReadOnePacket answers.
    int HandOver(int got, BasePktBufrPtr& pkt, int total);
    // ReadOnePacket for a packet read into the slot of into, the controller
    // of the message in assembly.
    int ReadIntoAssembly(PipePktCtrl* into, char* slot);
    // ReadOnePacket for a packet read into a collecting buffer, which may
    // start a message in assembly.
    int ReadFirstPacket();
    // One queued packet onto the pipe: 1 written (or dropped), 0 nothing to
    // write or no room now, -1 the write failed (hang-up reported).
    int WriteOnePacket();

    int fd;
    PipeHeadPtr pipeHeadPtr;
    int readyToSnd;
    BasePktBufrPtr pktBufrBeingRead;  // for derived adapters; not used here
    BasePktBufrPtr blockedPkt;        // taken from the queue, not yet written
    BasePktBufrPtr readPkt;           // the last packet read into, reused when nobody kept it
    // Whether the last packet numbered 1 that was read started a message of
    // several packets: then the next one that may start a message is read
    // into a collecting buffer (a message of one packet would only be
    // copied out of it again).
    bool startedMany = false;
    // Whether reads of fd may wait for data: -1 not known yet, then 0 or 1.
    signed char readsMayWait = -1;
};
MXR_COMPANIONS(PipePollAdptr);
