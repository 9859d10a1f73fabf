#include "TTYFrameReader.h"

#include <cstring>
#include <string>

#include "TTYTrace.h"

namespace {

// The first place from which the held bytes could be a marker: a whole
// "!@#$", or a beginning of it that reaches the end of what is held.
int FindMarkerStart(const unsigned char* b, int n) {
    for (int p = 0; p < n; ++p) {
        const int k = n - p < 4 ? n - p : 4;
        if (std::memcmp(b + p, TTYPktBufr::Marker, static_cast<std::size_t>(k)) == 0) return p;
    }
    return n;
}

}  // namespace

TTYFrameReader::TTYFrameReader()
    : cur(new TTYPktBufr()), rcvd(0), startRcvd(false), headerRcvd(false), checked(false), lostStarts(0) {
    block = reinterpret_cast<unsigned char*>(cur->GetSendRecvAddr());
}

void TTYFrameReader::Reset() {
    rcvd = 0;
    startRcvd = false;
    headerRcvd = false;
}

void TTYFrameReader::Discard(int n) {
    if (n > rcvd) n = rcvd;
    std::memmove(block, block + n, static_cast<std::size_t>(rcvd - n));
    rcvd -= n;
    startRcvd = false;
    headerRcvd = false;
}

void TTYFrameReader::Feed(const char* bytes, int n, std::vector<Frame>& out) {
    while (n > 0) {
        int take = TTYPktBufr::RecvSize - rcvd;
        if (take > n) take = n;
        std::memcpy(block + rcvd, bytes, static_cast<std::size_t>(take));
        rcvd += take;
        bytes += take;
        n -= take;
        Scan(out);
    }
}

void TTYFrameReader::Scan(std::vector<Frame>& out) {
    for (;;) {
        if (!startRcvd) {
            const int p = FindMarkerStart(block, rcvd);
            if (p > 0) {
                ++lostStarts;
                ttyagent::TraceOut("TTYPipePollAdptr: Start of packet missed");
                Discard(p);
            }
            if (rcvd < 4) return;
            startRcvd = true;
        }
        if (!headerRcvd) {
            if (rcvd < TTYPktBufr::HeaderSize) return;
            const int total = cur->GetTotalBytesSent();
            if (total < TTYPktBufr::HeaderSize || total > TTYPktBufr::RecvSize) {
                // Nothing of this length can be a packet: its start was not one.
                ++lostStarts;
                ttyagent::TraceOut("TTYPipePollAdptr: packet length " + std::to_string(total) + " out of range");
                Discard(1);
                continue;
            }
            checked = cur->GetAckNotRequired() == 0 || cur->GetHeaderCheckSum() != 0 || cur->GetPacketCheckSum() != 0;
            if (checked && !cur->HeaderCheckSumMatch()) {
                ttyagent::TraceOut("TTYPipePollAdptr: Header checksum mismatch!!");
                if (cur->GetAckNotRequired() != 0) {
                    // An answer is not answered: it is lost, and the packet it
                    // answers is written again when its time runs out.
                    ++lostStarts;
                    Discard(1);
                    continue;
                }
                // The refusal names the packet as its header reads; the rest
                // of the bytes are searched for the next start.
                TTYPktBufrPtr bad(new TTYPktBufr());
                std::memcpy(bad->GetSendRecvAddr(), block, TTYPktBufr::HeaderSize);
                bad->SetRecvdSize(TTYPktBufr::HeaderSize);
                out.push_back({Verdict::Nack, bad});
                ++lostStarts;
                Discard(1);
                continue;
            }
            headerRcvd = true;
        }
        const int total = cur->GetTotalBytesSent();
        if (rcvd < total) return;
        // Whole: the bytes after it go to a new packet.
        TTYPktBufrPtr done = cur;
        TTYPktBufrPtr next(new TTYPktBufr());
        unsigned char* nextBlock = reinterpret_cast<unsigned char*>(next->GetSendRecvAddr());
        std::memcpy(nextBlock, block + total, static_cast<std::size_t>(rcvd - total));
        const int surplus = rcvd - total;
        done->SetRecvdSize(total);
        const bool answer = done->GetAckNotRequired() != 0;
        if (!checked) {
            out.push_back({Verdict::Deliver, done});
        } else if (done->PacketCheckSumMatch(total)) {
            out.push_back({answer ? Verdict::Deliver : Verdict::AckDeliver, done});
        } else if (answer) {
            ttyagent::TraceOut("Packet checksum mismatch for an answer: dropped");
        } else {
            ttyagent::TraceOut("Packet checksum mismatch for pktCtrlId " + std::to_string(done->GetPktCtrlId()) +
                               " pktId " + std::to_string(done->GetPktId()));
            out.push_back({Verdict::Nack, done});
        }
        cur = next;
        block = nextBlock;
        rcvd = surplus;
        startRcvd = false;
        headerRcvd = false;
    }
}
