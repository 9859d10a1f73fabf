// A view of one database segment at its base address in this process: the
// header, the pages and the free-page pool. Holds no state of its own, so a
// test can run the allocator on a private segment in plain memory.
//
// Every page number and offset read from the segment is checked before it
// is followed: a holder killed in the middle of a change can leave any value
// behind, and a loop or a wild number must not hang or crash every process.
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>

class ShmPages {
public:
    ShmPages() = default;
    explicit ShmPages(void* base) : base_(static_cast<char*>(base)) {}

    // Lays out a new segment of `size` bytes at base: header, empty used
    // list, every page in the pool. The caller has checked the size
    // (kMinSegmentSize to kMaxSegmentSize).
    static ShmPages Format(void* base, std::uint32_t size);
    // True when the header at base describes a segment of `size` bytes.
    static bool HeaderFits(const void* base, std::size_t size);

    char* base() const { return base_; }
    qdbshm::SegHeader* header() const { return reinterpret_cast<qdbshm::SegHeader*>(base_); }
    std::int32_t pagesAllocated() const { return header()->pagesAllocated; }

    bool validPage(std::int32_t n) const { return n >= 0 && n < pagesAllocated(); }
    // Page n, or null for a number outside the segment.
    qdbshm::PageHeader* pgPtr(std::int32_t n) const;
    // The page holding offset off (not checked).
    static std::int32_t pgOff(ShmOff off) { return (off - qdbshm::kSegHeaderSize) / qdbshm::kPageSize; }
    // True when p lies in the page area.
    bool isShared(const void* p) const;
    ShmOff offOf(const void* p) const { return static_cast<ShmOff>(static_cast<const char*>(p) - base_); }
    // The element at off, or null when off is null or outside the page area.
    template <typename T>
    T* at(ShmOff off) const {
        if (off < qdbshm::kSegHeaderSize || !isShared(base_ + off)) return nullptr;
        return reinterpret_cast<T*>(base_ + off);
    }

    // The check before an object is freed: p in the segment (else
    // "<who>:  attempt to free non-shared", number nonShared) and tagged
    // `tag` with typeOk (else "<who>:  storage type inconsistency", number
    // badType). Both reports keep result code 3. True when p may be freed.
    bool checkFree(const void* p, std::int32_t tag, const char* who, int nonShared, int badType,
                   bool typeOk = true) const;

    // Takes the first k pages of the pool, chained, the last one ending the
    // chain. The first page's number, or -1 (nothing taken) when the pool
    // holds fewer than k.
    std::int32_t givePages(std::int32_t k) const;
    // Marks every page of the chain FREE (free count -1) and puts the chain
    // in front of the pool. -1 changes nothing.
    void returnPages(std::int32_t first) const;

    // Counts the pages of one walk along a chain. Step(n) is false, with the
    // report "Database corrupted-loop in page list" made, when n is no page
    // of the segment or the walk has visited more pages than there are.
    class Walk {
    public:
        explicit Walk(const ShmPages& pages) : base_(pages.base()) {}
        bool Step(std::int32_t n);

    private:
        char* base_;  // the view's base, not the view: callers pass temporaries
        std::int32_t visited_ = 0;
    };

private:
    char* base_ = nullptr;
};
