// Finds serial packets in the byte stream of a line and checks them: the
// receiving half of the serial poll adaptor, apart from the descriptor so
// that any cut of the stream can be fed to it.
//
// Bytes are gathered in a serial packet's block until its marker, its
// 24-byte header and then its whole length are in; every packet completed by
// the bytes fed is given back from the same call, in line order, and the
// bytes after it start the next one. A packet needing an answer is checked
// (header sum once the header is in, packet sum once it is whole) and comes
// back as ACK-and-deliver or NACK; one needing none comes back as deliver.
//
// Finding the start again: bytes that do not begin with "!@#$", a length
// outside 24..536 and a header whose sum fails all lose the packet's start;
// the search for the next marker then resumes at the byte after the lost
// start, so a packet behind the damage is found in the bytes already read.
// A packet whose flag says "no answer" but whose sums are set is checked like
// one that needs an answer (a damaged flag must not let a damaged packet pass
// unchecked); when a sum fails it is dropped, not refused: answers are not
// answered. A packet needing no answer without sums is taken unchecked.
#pragma once

#include <vector>

#include "TTYPktBufr.h"

class TTYFrameReader {
public:
    enum class Verdict {
        Deliver,     // needs no answer: hand it on
        AckDeliver,  // checked: acknowledge it, then hand it on
        Nack,        // a sum failed: refuse it (the ids are those read)
    };
    struct Frame {
        Verdict verdict;
        TTYPktBufrPtr pkt;  // the packet, its data size set from its length
    };

    TTYFrameReader();

    // Takes n bytes of the line; appends the packets they complete to out.
    void Feed(const char* bytes, int n, std::vector<Frame>& out);
    // Forgets the packet in progress (a line error lost its bytes).
    void Reset();

    // Bytes of the packet in progress, and what of it was found good.
    int GetRcvdSize() const { return rcvd; }
    bool GetStartOfPacketRcvd() const { return startRcvd; }
    bool GetHeaderRcvd() const { return headerRcvd; }
    // Times a packet's start was lost (bytes skipped to find a marker).
    unsigned GetLostStarts() const { return lostStarts; }

private:
    // Works through the bytes held; stops when more are needed.
    void Scan(std::vector<Frame>& out);
    // Drops the first n bytes held; the next packet's start is searched from there.
    void Discard(int n);

    TTYPktBufrPtr cur;
    unsigned char* block;
    int rcvd;
    bool startRcvd;
    bool headerRcvd;
    bool checked;
    unsigned lostStarts;
};
