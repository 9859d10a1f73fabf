// The address tables are plain arrays of row pointers that only grow.
#pragma once

#include <new>

// A table of newSz rows in place of old: its first keep rows copied, the rest
// empty, old freed. Null when there is no memory for it (old then stays).
template <class T>
T** GrowRowTable(T** old, int keep, int newSz) {
    T** tbl = new (std::nothrow) T*[newSz];
    if (tbl == nullptr) return nullptr;
    for (int i = 0; i < newSz; ++i) tbl[i] = i < keep ? old[i] : nullptr;
    delete[] old;
    return tbl;
}
