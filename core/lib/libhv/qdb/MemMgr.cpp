#include "MemMgr.h"

#include "qdberr.h"

#include <cstring>

using namespace qdbshm;

namespace {

bool SizeOk(std::int32_t size) { return size >= kMinElemSize && size <= kPageData; }

std::int32_t ReadWord(const char* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The run length a used head carries (16-bit word at offset 8), as far as
// it can be trusted: at least 1, never past the page's last element.
std::int32_t RunOf(const char* head, std::int32_t size, std::int32_t idx, std::int32_t maxPerPg) {
    std::int32_t cnt = 1;
    if (size >= 10) {
        std::int16_t c;
        std::memcpy(&c, head + 8, sizeof c);
        cnt = c;
    }
    if (cnt < 1) cnt = 1;
    if (cnt > maxPerPg - idx) cnt = maxPerPg - idx;
    return cnt;
}

unsigned PtrWord(const ShmPages& pages, const void* p) {
    return static_cast<unsigned>(static_cast<const char*>(p) - pages.base());
}

}  // namespace

char* MemMgr::elemPtr(std::int32_t n, std::int32_t idx) const {
    PageHeader* p = pages_.pgPtr(n);
    if (p == nullptr || !SizeOk(p->objSiz) || idx < 0 || idx >= kPageData / p->objSiz) return nullptr;
    return reinterpret_cast<char*>(p) + kPageHeaderSize + idx * p->objSiz;
}

std::int32_t MemMgr::stepOver(std::int32_t n, std::int32_t idx) const {
    PageHeader* p = pages_.pgPtr(n);
    const char* e = elemPtr(n, idx);
    // Only a STRING page holds runs; the inner elements of a run carry text.
    if (p->type != STRING || e == nullptr || ReadWord(e) == FREE) return 1;
    return RunOf(e, p->objSiz, idx, kPageData / p->objSiz);
}

void MemMgr::pgInit(std::int32_t n, std::int32_t size, std::int32_t type) {
    PageHeader* p = pages_.pgPtr(n);
    p->type = type;
    p->objSiz = size;
    p->freeCnt = kPageData / size;
    std::memset(reinterpret_cast<char*>(p) + kPageHeaderSize, 0, kPageData);
}

std::int32_t MemMgr::findRun(std::int32_t n, std::int32_t count) const {
    PageHeader* p = pages_.pgPtr(n);
    std::int32_t size = p->objSiz;
    std::int32_t maxPerPg = kPageData / size;
    std::int32_t i = 0;
    while (i < maxPerPg) {
        const char* e = elemPtr(n, i);
        if (ReadWord(e) != FREE) {
            i += RunOf(e, size, i, maxPerPg);
            continue;
        }
        std::int32_t j = i;
        while (j < maxPerPg && j - i < count && ReadWord(elemPtr(n, j)) == FREE) ++j;
        if (j - i == count) return i;
        i = j == i ? i + 1 : j;
    }
    return -1;
}

std::int32_t MemMgr::pageFor(std::int32_t size, std::int32_t type, std::int32_t count, bool seq) {
    ShmPages::Walk walk(pages_);
    std::int32_t freePage = -1;
    std::int32_t last = -1;
    for (std::int32_t n = *head_; n >= 0; n = pages_.pgPtr(n)->next) {
        if (!walk.Step(n)) return -1;
        PageHeader* p = pages_.pgPtr(n);
        if (p->type == type && p->objSiz == size && p->freeCnt >= count && (!seq || findRun(n, count) >= 0)) return n;
        if (p->type == FREE && freePage < 0) freePage = n;
        last = n;
    }
    std::int32_t n = freePage;
    if (n < 0) {
        n = pages_.givePages(1);
        if (n < 0) return -1;
        if (last < 0) *head_ = n; else pages_.pgPtr(last)->next = n;
    }
    pgInit(n, size, type);
    return n;
}

void* MemMgr::getFreeElem(std::int32_t size, std::int32_t type, ShmOff* off) {
    if (!SizeOk(size)) return nullptr;
    std::int32_t n = pageFor(size, type, 1, false);
    if (n < 0) return nullptr;
    PageHeader* p = pages_.pgPtr(n);
    for (std::int32_t i = 0; i < kPageData / size; ++i) {
        auto* e = reinterpret_cast<ElemHeader*>(elemPtr(n, i));
        if (e->tag != FREE) continue;
        e->tag = type;
        e->owner = owner_;
        --p->freeCnt;
        if (off) *off = pages_.offOf(e);
        return e;
    }
    // The free count promised room that is not there.
    hv_err(__FILE__, __LINE__, 21, 284, "Database corrupted-loop in page list\n");
    return nullptr;
}

void* MemMgr::getFreeSeqElems(std::int32_t size, std::int32_t type, std::int32_t count, ShmOff* off) {
    hv_debug(__FILE__, __LINE__, "LD.memmgr.getElem", "MemMgr::getFreeSeqElems(t=%d, etype=%s, qty=%d, l)\n", size,
             StgTypeName(type), count);
    if (!SizeOk(size) || count < 1 || count > kPageData / size) return nullptr;
    std::int32_t n = pageFor(size, type, count, true);
    if (n < 0) return nullptr;
    std::int32_t idx = findRun(n, count);
    if (idx < 0) return nullptr;
    char* e = elemPtr(n, idx);
    auto* h = reinterpret_cast<ElemHeader*>(e);
    h->tag = type;
    h->owner = owner_;
    if (size >= 10) {
        auto c = static_cast<std::int16_t>(count);
        std::memcpy(e + 8, &c, sizeof c);
    }
    pages_.pgPtr(n)->freeCnt -= count;
    if (off) *off = pages_.offOf(e);
    return e;
}

bool MemMgr::locate(const void* p, std::int32_t* n, std::int32_t* idx) const {
    if (!pages_.isShared(p)) return false;
    ShmOff off = pages_.offOf(p);
    if (off < kSegHeaderSize) return false;
    *n = ShmPages::pgOff(off);
    PageHeader* page = pages_.pgPtr(*n);
    if (page == nullptr || !SizeOk(page->objSiz) || page->freeCnt < 0) return false;
    std::int32_t rel = off - pages_.offOf(page) - kPageHeaderSize;
    if (rel < 0 || rel % page->objSiz != 0 || rel / page->objSiz >= kPageData / page->objSiz) return false;
    *idx = rel / page->objSiz;
    // On a page of runs only a run's head is an element; the inner ones
    // carry text.
    if (page->type == STRING) {
        std::int32_t k = 0;
        while (k < *idx) k += stepOver(*n, k);
        if (k != *idx) return false;
    }
    return true;
}

bool MemMgr::isFreeSlot(const void* p, std::int32_t* n) const {
    *n = -1;
    if (!pages_.isShared(p) || pages_.offOf(p) < kSegHeaderSize) return false;
    *n = ShmPages::pgOff(pages_.offOf(p));
    return pages_.offOf(p) + 4 <= pages_.offOf(pages_.pgPtr(*n)) + kPageSize &&
           ReadWord(static_cast<const char*>(p)) == FREE;
}

void MemMgr::refuse(int msgNum, const char* what, std::int32_t n, const void* p) const {
    hv_err(__FILE__, __LINE__, 25, msgNum, QDB_INT, "%s, pgno=%d, ptr=0x%x\n", what, n, PtrWord(pages_, p));
}

std::int32_t MemMgr::putFreeElem(void* p) {
    std::int32_t n = -1, idx = -1;
    if (isFreeSlot(p, &n)) {
        refuse(285, "Attempt to free a free element", n, p);
        return -1;
    }
    bool shared = n >= 0;
    PageHeader* page = shared ? pages_.pgPtr(n) : nullptr;
    bool ok = locate(p, &n, &idx) && page->freeCnt < kPageData / page->objSiz;
    // A run of several elements is freed as one (putFreeSeqElems).
    if (ok && page->type == STRING) ok = stepOver(n, idx) == 1;
    if (!ok) {
        refuse(286, "Attempt to free an invalid addr", n, p);
        return -1;
    }
    std::memset(p, 0, static_cast<std::size_t>(page->objSiz));
    if (++page->freeCnt == kPageData / page->objSiz) page->type = FREE;
    return n;
}

std::int32_t MemMgr::putFreeSeqElems(void* p) {
    std::int32_t n = -1, idx = -1;
    if (isFreeSlot(p, &n)) {
        refuse(496, "Attempt to free a free seq elem", n, p);
        return -1;
    }
    bool shared = n >= 0;
    PageHeader* page = shared ? pages_.pgPtr(n) : nullptr;
    bool ok = locate(p, &n, &idx);
    std::int32_t maxPerPg = ok ? kPageData / page->objSiz : 0;
    std::int32_t count = 0;
    if (ok && page->objSiz >= 10) {
        std::int16_t c;
        std::memcpy(&c, static_cast<char*>(p) + 8, sizeof c);
        count = c;
    }
    if (!ok || count < 1 || count > maxPerPg - idx || page->freeCnt + count > maxPerPg) {
        refuse(497, "Attempt to free an invalid addr", n, p);
        return -1;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        char* e = elemPtr(n, idx + i);
        std::memset(e, 0, static_cast<std::size_t>(page->objSiz));
        reinterpret_cast<ElemHeader*>(e)->owner = owner_;
        std::int16_t one = 1;
        std::memcpy(e + 8, &one, sizeof one);
    }
    page->freeCnt += count;
    if (page->freeCnt == maxPerPg) page->type = FREE;
    return n;
}

std::int32_t MemMgr::objCnt(std::int32_t type) const {
    ShmPages::Walk walk(pages_);
    std::int32_t total = 0;
    for (std::int32_t n = *head_; n >= 0; n = pages_.pgPtr(n)->next) {
        if (!walk.Step(n)) break;
        PageHeader* p = pages_.pgPtr(n);
        if (p->type == type && SizeOk(p->objSiz) && p->freeCnt >= 0) total += kPageData / p->objSiz - p->freeCnt;
    }
    return total;
}

void* MemMgr::getitem(std::int32_t i, std::int32_t type) const {
    ShmPages::Walk walk(pages_);
    std::int32_t total = 0;
    for (std::int32_t n = *head_; n >= 0; n = pages_.pgPtr(n)->next) {
        if (!walk.Step(n)) return nullptr;
        PageHeader* p = pages_.pgPtr(n);
        if (p->type != type || !SizeOk(p->objSiz) || p->freeCnt < 0) continue;
        std::int32_t before = total;
        total += kPageData / p->objSiz - p->freeCnt;
        if (i < 0 || total <= i) continue;
        std::int32_t want = i - before;
        for (std::int32_t k = 0; k < kPageData / p->objSiz; k += stepOver(n, k)) {
            char* e = elemPtr(n, k);
            if (ReadWord(e) != FREE && want-- == 0) return e;
        }
        break;  // the free count and the tags disagree
    }
    if (total == 0) {
        hv_err(__FILE__, __LINE__, 23, 576, "attempt to access empty base list [%s]", StgTypeName(type));
    } else {
        hv_err(__FILE__, __LINE__, 23, 577, "index %d past range 0-%d [%s]", i, total - 1, StgTypeName(type));
    }
    return nullptr;
}

void* MemMgr::memNext(std::int32_t type, std::int32_t& page, std::int32_t& elem) const {
    if (page < 0) {
        page = *head_;
        elem = -1;
    }
    ShmPages::Walk walk(pages_);
    while (page >= 0) {
        if (!walk.Step(page)) break;
        PageHeader* p = pages_.pgPtr(page);
        if (p->type == type && SizeOk(p->objSiz) && p->freeCnt >= 0) {
            std::int32_t maxPerPg = kPageData / p->objSiz;
            std::int32_t k = elem < 0 ? 0 : elem + stepOver(page, elem);
            for (; k < maxPerPg; k += stepOver(page, k)) {
                char* e = elemPtr(page, k);
                if (ReadWord(e) != FREE) {
                    elem = k;
                    return e;
                }
            }
        }
        page = p->next;
        elem = -1;
    }
    page = -1;
    return nullptr;
}

void* MemMgr::memCurr(std::int32_t page, std::int32_t elem) const {
    if (page < 0) return nullptr;
    return elemPtr(page, elem);
}

void MemMgr::purge() {
    ShmPages::Walk walk(pages_);
    for (std::int32_t n = *head_; n >= 0; n = pages_.pgPtr(n)->next) {
        if (!walk.Step(n)) return;
        PageHeader* p = pages_.pgPtr(n);
        p->type = FREE;
        p->freeCnt = -1;
    }
}

void MemMgr::pgList(std::FILE* out) const {
    ShmPages::Walk walk(pages_);
    std::int32_t prev = MAX;
    for (std::int32_t n = *head_; n >= 0; n = pages_.pgPtr(n)->next) {
        if (!walk.Step(n)) break;
        std::int32_t type = pages_.pgPtr(n)->type;
        if (prev != MAX && type == prev) {
            std::fprintf(out, ",%d", n);
        } else {
            if (prev != MAX) std::fprintf(out, "-%s", StgTypeName(prev));
            std::fprintf(out, " %d", n);
        }
        prev = type;
    }
    std::fprintf(out, "-%s\n", StgTypeName(prev));
}
