// The poll adaptor of one established TCP connection of a path (inbound or
// outbound). The stream is the plain concatenation of pipe packets, each
// starting with its little-endian 16-bit total length (header included, 8 to
// 520). The adaptor cuts what it reads back into packets by that length and
// hands each complete one to its pipe head, in order, one pipe message each;
// it writes the head's queued packets back to back.
//
// Per turn at most one read and one write: the read takes what the socket
// holds up to MaxReadPerTurn (a read that fills it says more is on its way,
// so the loop serves it again without asking the kernel); the write sends
// every packet queued for the connection, gathered into one batch of at most
// MaxBatchBytes. The adaptor tells the poll manager its changes: a socket is
// taken to be writable until a write would block, so a message costs no
// change of the kernel's wait set.
//
// Nothing here ever waits: a read ends when no byte is left (EAGAIN) or was
// interrupted; what of a batch the socket has no room for stays, in order,
// and goes out first once the socket is writable again. A peer's close
// (recv 0), a hang-up error, a length that no packet can have (a TCP stream
// cannot be re-synchronised) and POLLERR hang the connection up, once.
//
// Fd -1 marks an adaptor whose partner connection hung up: it is torn down
// on its own next turn.
#pragma once

#include <vector>

#include "BasePktBufr.h"
#include "PipePollAdptr.h"

class SOCKPipePollAdptr : public PipePollAdptr {
    MXR_LOCAL_CLASS(SOCKPipePollAdptr, PipePollAdptr);
    MXR_FIELDS(MXR_FIELD("rcvdSizeAtLastRead", RcvdSizeAtLastRead),
               MXR_FIELD("savedBasePktBufrPtr", SavedBasePktBufrPtr));

public:
    // Bytes read in one turn at most, so that one busy peer does not hold
    // the loop: what is left is read on the next turn.
    static constexpr int MaxReadPerTurn = 64 * 1024;
    // Bytes of queued packets gathered into one write at most.
    static constexpr int MaxBatchBytes = 64 * 1024;

    SOCKPipePollAdptr();
    SOCKPipePollAdptr(int fd, PipeHead* head);
    ~SOCKPipePollAdptr() override;

    int GetRcvdSizeAtLastRead() const;
    void SetRcvdSizeAtLastRead(int n);
    BasePktBufrPtr GetSavedBasePktBufrPtr() const;
    void SetSavedBasePktBufrPtr(const BasePktBufrPtr& pkt);
    // Bytes taken from the head's queue and not yet written (0: none).
    int GetUnsentBytes() const;

    // Fd; POLLIN, plus POLLOUT while packets wait or a batch is unsent.
    void PopulatePollInfo(hv::pollfd* p) override;
    // Reads once, then hangs up on POLLERR/POLLHUP, else writes one batch
    // (or the rest of one).
    enWork ProcessRevents(hv::pollfd* p) override;
    // 1: its entry changes only through SetFd, SetReadyToSnd and
    // MarkForHangUp, which tell the poll manager.
    int TellsInterestChanges() const override;
    // Marks this connection to be torn down on its own next turn (Fd -1): its
    // partner connection of the same path hung up. The socket stays its
    // head's until then, and the loop serves the adaptor once more without
    // news from it.
    void MarkForHangUp();

    // Takes n bytes of the stream at bytes (the incomplete packet kept, if
    // any, first): delivers every complete packet, each copied into a packet
    // of the head, in order; keeps an incomplete one. -1 when the stream
    // carried an impossible length (the connection is then hung up) or the
    // connection went meanwhile, else 0.
    int ProcessIncomingData(const char* bytes, int n);
    // Tears the connection down: its partner connection of the same path is
    // marked, the set-up of this direction starts again, the head hangs up.
    void ProcessDisconnect();

private:
    // One read: 1 read something, 0 nothing, -1 hung up.
    int ReadAvailable();
    // One write of the batch: 1 moved bytes, 0 nothing to send or no room,
    // -1 hung up.
    int SendSome();
    // Moves queued packets of the head into the batch, up to its bound.
    void FillBatch();
    // Keeps n bytes at bytes as the incomplete packet.
    void KeepPartial(const char* bytes, int n);
    void DropPartial();
    // True while this adaptor is still its head's.
    bool StillServing() const;
    // False while the peer of a socket pipe head has not sent its
    // PipeInitMsg (any other head: true).
    bool Introduced() const;

    int RcvdSizeAtLastRead;
    BasePktBufrPtr SavedBasePktBufrPtr;
    char* SavedBase = nullptr;  // its packet start
    // The batch being written: bytes [BatchSent, BatchEnd) still to go.
    std::vector<char> Batch;
    int BatchSent = 0;
    int BatchEnd = 0;
    std::vector<char> ReadBuf;  // one read's bytes, behind an incomplete packet
    int MarkedFd = -1;          // the socket of a connection marked for hang-up
};
MXR_COMPANIONS(SOCKPipePollAdptr);
