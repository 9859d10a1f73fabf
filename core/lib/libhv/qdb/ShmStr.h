// A counted string in the segment: a run of consecutive 28-byte elements on
// one STRING page; the head carries the run's length and the first 16 bytes
// of text, each further element 28 more. Texts of up to 464 bytes with their
// NUL fit; longer ones are refused.
#pragma once

#include "MemMgr.h"
#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>

class DbMgr;

class ShmStr {
public:
    qdbshm::ElemHeader h;  // STRING, owner
    std::int16_t elmCnt;   // elements in the run
    std::uint16_t len;     // length with the NUL
    char text[16];

    // Elements a text of `len` bytes (NUL included) takes; 0 when refused.
    static std::int32_t unitsFor(std::size_t len);
    // A copy of `s` from `from` (a database's or the manager's allocator);
    // its offset in *off. Null when too long or there is no room.
    static ShmStr* create(MemMgr from, const char* s, ShmOff* off = nullptr);
    // Frees the run through the owner recorded in it. 0, or -1 (reported,
    // nothing changed) when p is not a string of the segment.
    static int destroy(ShmStr* p);

    const char* str() const { return text; }
};
static_assert(sizeof(ShmStr) == qdbshm::kStrElemSize);
static_assert(offsetof(ShmStr, elmCnt) == 8);
static_assert(offsetof(ShmStr, len) == 10);
static_assert(offsetof(ShmStr, text) == 12);

// The string at `off` of the current segment, or null when off is null or
// not a string head whose run lies on its page and ends in a NUL.
const ShmStr* ShmStrAt(ShmOff off);

// The owner's allocator for an element (owner 0: the manager; else the
// DbMgr at that offset). False when the owner word names no database.
bool OwnerMem(std::int32_t owner, MemMgr* out);
