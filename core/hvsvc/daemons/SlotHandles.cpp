#include "SlotHandles.h"

namespace hvsvc {

SlotHandles::~SlotHandles() {
    for (int& h : held_) {
        if (h > 1) system_.Close(h);
        h = 0;
    }
}

int SlotHandles::Held(int n) {
    if (n < 0 || n >= hvinit::kSlotCount) return 0;
    if (held_[n] > 1 && table_->slots[n].processHandle != held_[n]) {
        system_.Close(held_[n]);
        held_[n] = 0;
        table_->slots[n].processHandle = 0;
    }
    return held_[n];
}

void SlotHandles::Hold(int n, int handle) {
    if (n < 0 || n >= hvinit::kSlotCount) {
        if (handle > 1) system_.Close(handle);
        return;
    }
    if (held_[n] > 1 && held_[n] != handle) system_.Close(held_[n]);
    held_[n] = handle > 1 ? handle : 0;
    table_->slots[n].processHandle = held_[n];
}

void SlotHandles::Drop(int n) { Hold(n, 0); }

void SlotHandles::ClearTable() {
    for (int n = 0; n < hvinit::kSlotCount; ++n) {
        if (held_[n] > 1) system_.Close(held_[n]);
        held_[n] = 0;
        table_->slots[n].processHandle = 0;
    }
}

}  // namespace hvsvc
