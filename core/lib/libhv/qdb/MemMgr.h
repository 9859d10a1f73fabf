// The element allocator of one page chain: a database's (its DbMgr's chain
// word, elements owned by the DbMgr) or the manager's own (the header's used
// list, owner 0). Pages hold elements of one size and type; a page whose last
// element is freed turns FREE and is re-initialised for whatever type is next
// asked of its chain before a new page is taken from the pool.
//
// Runs under the database lock. Every chain walk is bounded (ShmPages::Walk).
#pragma once

#include "ShmPages.h"

#include <cstdint>
#include <cstdio>

class MemMgr {
public:
    // chainHead: the word holding the chain's first page number; owner: the
    // offset written into every element taken (0 for the manager).
    MemMgr(const ShmPages& pages, std::int32_t* chainHead, ShmOff owner)
        : pages_(pages), head_(chainHead), owner_(owner) {}

    // One element of `size` bytes (8 to 496) tagged `type`; its offset in
    // *off. Null when no page can be had or the size is out of range.
    void* getFreeElem(std::int32_t size, std::int32_t type, ShmOff* off);
    // `count` consecutive elements on one page; only the head is tagged and
    // carries the count (the 16-bit word at offset 8). Null when count
    // exceeds 496 / size or no page can be had.
    void* getFreeSeqElems(std::int32_t size, std::int32_t type, std::int32_t count, ShmOff* off);
    // Free one element / one run. The page number, or -1 (reported, nothing
    // changed) for an element that is free already or no element at all.
    std::int32_t putFreeElem(void* p);
    std::int32_t putFreeSeqElems(void* p);

    std::int32_t objCnt(std::int32_t type) const;
    // The i-th used element of the type along the chain; null (reported)
    // when there is none.
    void* getitem(std::int32_t i, std::int32_t type) const;
    // The next used element of the type after (page, elem); page -1 starts at
    // the chain's head. Null, with page -1, at the end.
    void* memNext(std::int32_t type, std::int32_t& page, std::int32_t& elem) const;
    void* memCurr(std::int32_t page, std::int32_t elem) const;
    // Marks every page of the chain FREE (free count -1); they stay in it.
    void purge();
    // Prints the chain as runs of one type: " 1,2,3-STRING 4-FREE\n".
    void pgList(std::FILE* out) const;

    std::int32_t chainHead() const { return *head_; }
    const ShmPages& pages() const { return pages_; }

private:
    void pgInit(std::int32_t n, std::int32_t size, std::int32_t type);
    // A page for (size, type) with room for `count`, or -1.
    std::int32_t pageFor(std::int32_t size, std::int32_t type, std::int32_t count, bool seq);
    // First run of `count` free elements on page n, or -1.
    std::int32_t findRun(std::int32_t n, std::int32_t count) const;
    char* elemPtr(std::int32_t n, std::int32_t idx) const;
    // Elements from idx to the next object: a used string's whole run, else 1.
    std::int32_t stepOver(std::int32_t n, std::int32_t idx) const;
    // Page number and element index of p (checked: on an element boundary
    // of a page in use). False when p is not an element.
    bool locate(const void* p, std::int32_t* n, std::int32_t* idx) const;
    // True when p is an unused slot of a page (*n: its page, or -1 when p
    // is not in the page area).
    bool isFreeSlot(const void* p, std::int32_t* n) const;
    // The report of a refused free: "<what>, pgno=%d, ptr=0x%x".
    void refuse(int msgNum, const char* what, std::int32_t n, const void* p) const;

    ShmPages pages_;
    std::int32_t* head_;
    ShmOff owner_;
};
