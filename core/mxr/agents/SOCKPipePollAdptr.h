// The poll adaptor of one established TCP connection of a path (inbound or
// outbound). The stream is the plain concatenation of pipe packets, each
// starting with its little-endian 16-bit total length (header included, 8 to
// 520). The adaptor cuts what it reads back into packets by that length and
// hands each complete one to its pipe head; it writes the head's queued
// packets back to back.
//
// Nothing here ever waits: a read ends when no byte is left (EAGAIN) or was
// interrupted; a packet the socket has no room for keeps its unsent tail,
// which goes out first once the socket is writable again. A peer's close
// (recv 0), a hang-up error, a length that no packet can have (a TCP stream
// cannot be re-synchronised) and POLLERR hang the connection up, once.
//
// Fd -1 marks an adaptor whose partner connection hung up: it is torn down
// on its own next turn.
#pragma once

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

    SOCKPipePollAdptr();
    SOCKPipePollAdptr(int fd, PipeHead* head);
    ~SOCKPipePollAdptr() override;

    int GetRcvdSizeAtLastRead() const;
    void SetRcvdSizeAtLastRead(int n);
    BasePktBufrPtr GetSavedBasePktBufrPtr() const;
    void SetSavedBasePktBufrPtr(const BasePktBufrPtr& pkt);
    // Bytes of the packet being written that are still to go (0: none).
    int GetUnsentBytes() const;

    // Fd; POLLIN, plus POLLOUT while packets wait or a tail is unsent.
    void PopulatePollInfo(hv::pollfd* p) override;
    // Reads what waits, then hangs up on POLLERR/POLLHUP, else writes one
    // packet (or the rest of one).
    enWork ProcessRevents(hv::pollfd* p) override;
    // 0: asked for its entry and served in every poll, news or not. A
    // connection marked by its partner (Fd -1) has no descriptor to bring
    // news, and must still be torn down on its next turn.
    int TellsInterestChanges() const override;

    // Takes n bytes that arrived in pkt at base (its packet start, asked of
    // it once): delivers every complete packet, keeps an incomplete one. -1
    // when the stream carried an impossible length (the connection is then
    // hung up) or the connection went meanwhile, else 0.
    int ProcessIncomingData(BasePktBufrPtr pkt, char* base, int n);
    // Tears the connection down: its partner connection of the same path is
    // marked, the set-up of this direction starts again, the head hangs up.
    void ProcessDisconnect();

private:
    // 1 read something, 0 nothing, -1 hung up.
    int ReadAvailable();
    // 1 moved bytes, 0 nothing or no room, -1 hung up.
    int SendSome();
    // True while this adaptor is still its head's.
    bool StillServing() const;

    int RcvdSizeAtLastRead;
    BasePktBufrPtr SavedBasePktBufrPtr;
    char* SavedBase = nullptr;  // its packet start
    BasePktBufrPtr SendingPktBufrPtr;  // taken from the head's queue, partly written
    char* SendingBase = nullptr;
    int SendingSent;
    int SendingSize;
};
MXR_COMPANIONS(SOCKPipePollAdptr);
