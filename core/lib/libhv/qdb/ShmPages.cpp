#include "ShmPages.h"

#include "qdberr.h"

#include <cstring>

using namespace qdbshm;

ShmPages ShmPages::Format(void* base, std::uint32_t size) {
    ShmPages pages(base);
    SegHeader* h = pages.header();
    std::memset(h, 0, sizeof *h);
    h->pagesAllocated = static_cast<std::int32_t>((size - kSegHeaderSize) / kPageSize);
    h->usedList = -1;
    h->freeList = 0;
    for (std::int32_t n = 0; n < h->pagesAllocated; ++n) {
        PageHeader* p = pages.pgPtr(n);
        p->next = n + 1 < h->pagesAllocated ? n + 1 : -1;
        p->type = FREE;
        p->objSiz = 0;
        p->freeCnt = -1;
    }
    return pages;
}

bool ShmPages::HeaderFits(const void* base, std::size_t size) {
    if (size < kMinSegmentSize || size > kMaxSegmentSize) return false;
    const auto* h = static_cast<const SegHeader*>(base);
    return h->pagesAllocated == static_cast<std::int32_t>((size - kSegHeaderSize) / kPageSize);
}

PageHeader* ShmPages::pgPtr(std::int32_t n) const {
    if (!validPage(n)) return nullptr;
    return reinterpret_cast<PageHeader*>(base_ + kSegHeaderSize + static_cast<std::ptrdiff_t>(kPageSize) * n);
}

bool ShmPages::isShared(const void* p) const {
    if (base_ == nullptr) return false;
    const char* c = static_cast<const char*>(p);
    return c >= base_ && c < base_ + kSegHeaderSize + static_cast<std::ptrdiff_t>(kPageSize) * pagesAllocated();
}

bool ShmPages::Walk::Step(std::int32_t n) {
    ShmPages pages(base_);
    if (!pages.validPage(n) || ++visited_ > pages.pagesAllocated()) {
        hv_err(__FILE__, __LINE__, 21, 284, "Database corrupted-loop in page list\n");
        return false;
    }
    return true;
}

std::int32_t ShmPages::givePages(std::int32_t k) const {
    SegHeader* h = header();
    if (k < 1 || k > h->pagesAllocated) return -1;
    // Find the k-th page first, so that a short pool gives nothing away.
    Walk walk(*this);
    std::int32_t last = h->freeList;
    for (std::int32_t i = 1; i <= k; ++i) {
        if (last < 0) return -1;
        if (!walk.Step(last)) return -1;
        if (i < k) last = pgPtr(last)->next;
    }
    std::int32_t first = h->freeList;
    PageHeader* lastPage = pgPtr(last);
    h->freeList = lastPage->next;
    lastPage->next = -1;
    return first;
}

void ShmPages::returnPages(std::int32_t first) const {
    if (first < 0) return;
    Walk walk(*this);
    std::int32_t n = first;
    for (;;) {
        if (!walk.Step(n)) return;
        PageHeader* p = pgPtr(n);
        p->type = FREE;
        p->freeCnt = -1;
        if (p->next < 0) break;
        n = p->next;
    }
    pgPtr(n)->next = header()->freeList;
    header()->freeList = first;
}

bool ShmPages::checkFree(const void* p, std::int32_t tag, const char* who, int nonShared, int badType,
                         bool typeOk) const {
    if (!isShared(p)) {
        hv_err(__FILE__, __LINE__, 25, nonShared, QDB_INT, "%s:  attempt to free non-shared, ptr=0x%x\n", who,
               static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)));
        return false;
    }
    if (static_cast<const ElemHeader*>(p)->tag != tag || !typeOk) {
        hv_err(__FILE__, __LINE__, 25, badType, QDB_INT, "%s:  storage type inconsistency, ptr=0x%x\n", who,
               static_cast<unsigned>(offOf(p)));
        return false;
    }
    return true;
}
