// The messages a serial pipe head is gathering from the line, one serial
// packet controller per message number, and the messages completed lately.
//
// Bounds, because the peer decides what arrives: a number whose packet brings
// another packet count than the message gathered under it is a new message
// (the 16-bit number wrapped), and the old one is dropped; a message untouched
// for 300 s (twice the sender's horizon of ten writes 15 s apart) is dropped;
// at most MaxInAssembly are gathered at once (the oldest goes). A packet that
// arrives twice is stored once.
//
// A packet that needs an answer and is written again after its ACK was lost
// arrives once more after its message was delivered: the same number, place,
// count and packet sum as a packet of a message completed within 300 s. It is
// a duplicate: answered again by the line, not delivered again.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "TTYPktBufr.h"
#include "TTYPktCtrl.h"

class TTYRcvAssembly {
public:
    static constexpr unsigned StaleSecs = 300;
    static constexpr int MaxInAssembly = 256;
    // Packet sums kept of the completed messages, all together.
    static constexpr std::size_t MaxRecentSums = 65536;

    enum class Result {
        Partial,    // kept; the message is not whole yet
        Complete,   // *done holds the whole message, now out of the list
        Duplicate,  // a packet of a message delivered lately: ignore it
        Refused,    // not a packet of any message (a count of 0, a place beyond it)
    };

    // Takes one packet at nowSecs (the timers' clock). Drops first what
    // went stale; each message dropped is named in *dropped, for the
    // caller's report.
    Result Put(const TTYPktBufrPtr& pkt, unsigned nowSecs, TTYPktCtrlPtr* done, std::vector<std::string>* dropped);

    int GetInAssemblyCnt() const { return static_cast<int>(gathering.size()); }
    int GetRecentCnt() const { return static_cast<int>(recent.size()); }
    // Forgets everything (a new connection).
    void Clear();

private:
    struct Gathering {
        TTYPktCtrlPtr ctrl;
        unsigned short id;
        int total;
        unsigned touched;
        std::vector<unsigned> sums;  // packet sum by place, 0 while missing
    };
    struct Delivered {
        unsigned short id;
        int total;
        unsigned at;
        std::vector<unsigned> sums;
    };

    void DropStale(unsigned nowSecs, std::vector<std::string>* dropped);
    bool IsDuplicate(const TTYPktBufrPtr& pkt);
    void Remember(unsigned short id, int total, unsigned at, std::vector<unsigned> sums);

    std::vector<Gathering> gathering;
    std::deque<Delivered> recent;
    std::size_t recentSums = 0;
};
