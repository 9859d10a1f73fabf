// The database segment's layout. Every process of a system maps the segment
// at its own address, and msgframe's database link reads it directly, so
// everything in it is fixed-width and linked by 32-bit offsets from the base
// (ShmOff, negative = null) or by page numbers (-1 ends a chain). All words
// are little-endian (the host's order on the machines we run on).
//
//   0   segment header (8 words) with the shared global part at 32
//   60  pages of 512 bytes: a 16-byte header, then 496 bytes of elements
#pragma once

#include <cstddef>
#include <cstdint>

using ShmOff = std::int32_t;
inline constexpr ShmOff kNullOff = -1;

// The kind tag of every element (and the type of a page's elements).
enum StgType : std::int32_t {
    FREE = 0,
    LIST = 1,
    DBMGR = 2,
    FLG = 3,
    SYSTEM = 4,
    DEPEND = 5,
    EQUIV = 6,
    ELIST = 7,
    RESOURCE = 8,
    RESTYPE = 9,
    APPLIC = 10,
    NETWORK = 11,
    STRING = 12,
    REGPROC = 13,
    MAX = 14,
};

// The name of a type as the segment dump prints it ("?" outside the range).
const char* StgTypeName(std::int32_t type);

namespace qdbshm {

inline constexpr std::int32_t kSegHeaderSize = 60;
inline constexpr std::int32_t kSharedGlobalAt = 32;
inline constexpr std::int32_t kPageSize = 512;
inline constexpr std::int32_t kPageHeaderSize = 16;
inline constexpr std::int32_t kPageData = kPageSize - kPageHeaderSize;  // 496
inline constexpr std::int32_t kMinElemSize = 8;
// A new segment must hold the local database: its DbMgr page, 14 pages of its
// own and the page of its name.
inline constexpr std::int32_t kLocalDbPages = 14;
inline constexpr std::uint32_t kMinSegmentSize = kSegHeaderSize + kPageSize * 16;
// Offsets are signed 32-bit: nothing may lie at 2^31 or beyond.
inline constexpr std::uint32_t kMaxSegmentSize = 0x7FFFFFFF;

// Shared global part (28 bytes at offset 32 of the segment).
struct SharedGlobal {
    std::uint8_t mgrEventPending;  // manager-available event still to be posted
    std::uint8_t startupPassDue;   // the segment's start-up pass has not ended yet
    std::uint8_t pad0[2];
    std::int32_t mgrAvailable;     // set nonzero by whoever brings the manager up
    std::uint8_t changed[8];       // per-table "changed since written" bytes
    std::uint8_t pad1[8];
    std::int32_t mailboxSeq;       // sequence of private reply mailboxes
};
static_assert(sizeof(SharedGlobal) == 28);
static_assert(offsetof(SharedGlobal, mgrAvailable) == 4);
static_assert(offsetof(SharedGlobal, changed) == 8);
static_assert(offsetof(SharedGlobal, mailboxSeq) == 24);

// Indices into SharedGlobal::changed.
enum ChangedTable : int {
    kChangedSystems = 0,
    kChangedNetworks = 1,
    kChangedApplications = 2,
    kChangedResTypes = 3,
    kChangedInstances = 4,  // instances and dependencies share one file
    kChangedUnused = 5,
    kChangedEquivalencies = 6,
    kChangedFlags = 7,
};

struct SegHeader {
    std::int32_t reserved0;
    std::int32_t reserved1;
    std::int32_t usedList;        // the manager's own page chain
    std::int32_t globalLock;      // 0, never used
    std::int32_t pagesAllocated;
    std::int32_t freeList;        // head of the free-page pool
    std::int32_t shmkey;
    std::int32_t shmid;
    SharedGlobal shgp;
};
static_assert(sizeof(SegHeader) == kSegHeaderSize);
static_assert(offsetof(SegHeader, usedList) == 8);
static_assert(offsetof(SegHeader, pagesAllocated) == 16);
static_assert(offsetof(SegHeader, freeList) == 20);
static_assert(offsetof(SegHeader, shgp) == kSharedGlobalAt);

struct PageHeader {
    std::int32_t next;     // next page of the chain, -1 at the end
    std::int32_t type;     // StgType of the elements, FREE when none is used
    std::int32_t objSiz;   // element size
    std::int32_t freeCnt;  // unused elements; -1 while in the free pool
};
static_assert(sizeof(PageHeader) == kPageHeaderSize);

// The two words every element begins with.
struct ElemHeader {
    std::int32_t tag;    // StgType, FREE when unused
    std::int32_t owner;  // ShmOff of the DbMgr whose chain holds it; 0: the manager
};
static_assert(sizeof(ElemHeader) == 8);

// Counted strings: runs of 28-byte elements on a STRING page; the head
// carries 16 bytes of text, each further element 28.
inline constexpr std::int32_t kStrElemSize = 28;
inline constexpr std::int32_t kStrFirstText = 16;
inline constexpr std::int32_t kStrMaxElems = kPageData / kStrElemSize;  // 17
inline constexpr std::int32_t kStrMaxLen = kStrFirstText + (kStrMaxElems - 1) * kStrElemSize;  // 464

}  // namespace qdbshm
