// What a store looks for in a held-object table (pids or names alike): how
// many held entries match, the first of them, and the first free entry; and
// the table's growth by 10 entries when none is free.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace hvsvc {

inline constexpr std::size_t kHeldTableGrowth = 10;

template <typename Entry>
struct HeldTableScan {
    Entry* match = nullptr;
    Entry* free = nullptr;
    int matches = 0;
};

// `matches(entry)`: the entry is held and names the object being stored.
template <typename Entry, typename Matches>
HeldTableScan<Entry> ScanHeldTable(std::vector<Entry>& entries, Matches matches) {
    HeldTableScan<Entry> scan;
    for (Entry& e : entries) {
        if (matches(e)) {
            if (scan.matches++ == 0) scan.match = &e;
        } else if (scan.free == nullptr && e.Free()) {
            scan.free = &e;
        }
    }
    return scan;
}

// The first of 10 new entries, or null when there is no memory for them.
template <typename Entry>
Entry* GrowHeldTable(std::vector<Entry>& entries) {
    try {
        entries.resize(entries.size() + kHeldTableGrowth);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return &entries[entries.size() - kHeldTableGrowth];
}

}  // namespace hvsvc
