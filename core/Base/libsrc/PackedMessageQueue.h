// The messages an endpoint has packed and not yet sent, each kept whole as
// its collected bytes instead of as packet objects. The packets are made one
// at a time as they are sent, into one packet object reused for as long as
// nobody else holds it; a message's buffer goes back to the thread's spares
// once its last packet was taken.
//
// The queue's storage is a ring that only grows: in steady state queuing and
// sending allocate nothing.
#pragma once

#include "BasePktBufr.h"
#include "PipePktCtrl.h"

#include <cstddef>
#include <vector>

class PackedMessageQueue {
public:
    PackedMessageQueue() = default;
    ~PackedMessageQueue();
    PackedMessageQueue(const PackedMessageQueue&) = delete;
    PackedMessageQueue& operator=(const PackedMessageQueue&) = delete;

    bool Empty() const { return count == 0; }
    // The bytes the packets of a message count against a high-water mark:
    // each packet's header and data capacity.
    static std::size_t BlockBytesOf(const PipePktCtrl::CollectedMessage& msg);
    // Queues a message of at least one packet behind the others; msg is left
    // empty.
    void Push(PipePktCtrl::CollectedMessage& msg);
    // The next packet (null when the queue is empty); *blockBytes gets what
    // it counted against the high-water mark.
    BasePktBufrPtr TakeNext(std::size_t* blockBytes);
    // Appends the packets not yet taken to list, in order, as new packet
    // objects (what cutting the messages would have made); the queue is
    // left empty.
    void CutInto(BasePktBufrLst& list);
    // Drops every queued message.
    void Clear();

private:
    struct Entry {
        PipePktCtrl::CollectedMessage msg;
        int packets = 0;  // of the message
        int next = 0;     // the next packet to take
    };
    Entry& Front() { return ring[head]; }
    void PopFront();
    void Grow();

    std::vector<Entry> ring;
    std::size_t head = 0;
    std::size_t count = 0;
    // The packet handed out last, filled again when nobody else holds it.
    BasePktBufrPtr slice;
};
