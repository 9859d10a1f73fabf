#include "PackedMessageQueue.h"

#include <new>
#include <utility>

#include "MxrAssert.h"
#include "PipePktBufr.h"

PackedMessageQueue::~PackedMessageQueue() { Clear(); }

std::size_t PackedMessageQueue::BlockBytesOf(const PipePktCtrl::CollectedMessage& msg) {
    return static_cast<std::size_t>(msg.PacketCount()) *
           static_cast<std::size_t>(PipePktBufr::HeaderSize + msg.capacity);
}

void PackedMessageQueue::Grow() {
    std::vector<Entry> grown(ring.empty() ? 8 : ring.size() * 2);
    for (std::size_t i = 0; i < count; ++i) grown[i] = std::move(ring[(head + i) % ring.size()]);
    ring = std::move(grown);
    head = 0;
}

void PackedMessageQueue::Push(PipePktCtrl::CollectedMessage& msg) {
    if (count == ring.size()) Grow();
    Entry& e = ring[(head + count) % ring.size()];
    e.msg = std::move(msg);
    e.packets = e.msg.PacketCount();
    e.next = 0;
    ++count;
    msg = PipePktCtrl::CollectedMessage();
}

void PackedMessageQueue::PopFront() {
    PipePktCtrl::GiveBack(Front().msg);
    head = (head + 1) % ring.size();
    --count;
}

BasePktBufrPtr PackedMessageQueue::TakeNext(std::size_t* blockBytes) {
    *blockBytes = 0;
    if (count == 0) return BasePktBufrPtr();
    Entry& e = Front();
    if (!PipePktBufr::RewindIfUnshared(slice)) {
        PipePktBufr* pkt = new (std::nothrow) PipePktBufr();
        MXR_ASSERT(pkt != nullptr, "pkt != 0", "PackedMessageQueue");
        slice = BasePktBufrPtr(pkt);
    }
    PipePktCtrl::MakeSlice(*slice.GetPtr(), e.msg, e.next);
    *blockBytes = static_cast<std::size_t>(PipePktBufr::HeaderSize + e.msg.capacity);
    if (++e.next >= e.packets) PopFront();
    return slice;
}

void PackedMessageQueue::CutInto(BasePktBufrLst& list) {
    while (count > 0) {
        Entry& e = Front();
        for (; e.next < e.packets; ++e.next) {
            PipePktBufr* pkt = new (std::nothrow) PipePktBufr();
            MXR_ASSERT(pkt != nullptr, "pkt != 0", "PackedMessageQueue");
            PipePktCtrl::MakeSlice(*pkt, e.msg, e.next);
            list.Append(BasePktBufrPtr(pkt));
        }
        PopFront();
    }
}

void PackedMessageQueue::Clear() {
    while (count > 0) PopFront();
}
