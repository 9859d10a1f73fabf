// The process handles the monitor holds, one per slot. The table's handle
// field only shows them: the table is shared, and a number written there by
// another process must never make the service wait on, kill through or close
// a descriptor it did not open for that slot.
#pragma once

#include "HvinitLayout.h"
#include "MonitorSystem.h"

namespace hvsvc {

class SlotHandles {
public:
    SlotHandles(hvinit::HvinitTable* table, MonitorSystem& system) : table_(table), system_(system) {}
    ~SlotHandles();
    SlotHandles(const SlotHandles&) = delete;
    SlotHandles& operator=(const SlotHandles&) = delete;

    // The handle held for slot n, 0 when none. When the slot's field no
    // longer shows it, it is closed and the slot looked up afresh.
    int Held(int n);
    // Holds `handle` for slot n (closing one held before) and shows it.
    void Hold(int n, int handle);
    // Closes the slot's handle; the field reads 0.
    void Drop(int n);
    // A table found from an earlier run: its handles were another process's.
    void ClearTable();

private:
    hvinit::HvinitTable* table_;
    MonitorSystem& system_;
    int held_[hvinit::kSlotCount] = {};
};

}  // namespace hvsvc
