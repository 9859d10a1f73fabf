// The segment dumps: debugging aids printed to a stream.
#include "DbMgr.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "qdberr.h"

using namespace qdbshm;

namespace {

// The database whose chain holds page n, null for the manager's chain or
// the pool.
const DbMgr* ChainOwner(std::int32_t n) {
    MemMgr mgr = DbMgr::manager();
    std::int32_t page = -1, elem = -1;
    while (auto* db = static_cast<DbMgr*>(mgr.memNext(DBMGR, page, elem))) {
        ShmPages::Walk walk(QdbPages());
        for (std::int32_t p = db->pageChain; p >= 0; p = QdbPages().pgPtr(p)->next) {
            if (!walk.Step(p)) break;
            if (p == n) return db;
        }
    }
    return nullptr;
}

}  // namespace

void ShmMgr::dbgDump(std::FILE* out) {
    if (pShmPtr == nullptr) {
        hv_err(__FILE__, __LINE__, 24, 579, "ShmMgr::dbgDump;this==NULL");
        return;
    }
    ShmPages pages = QdbPages();
    SegHeader* h = pages.header();
    std::fprintf(out, "\nShmPtr=0x%lx\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pShmPtr)));
    std::fprintf(out, "shmid=%d, shmkey=%d\n", h->shmid, h->shmkey);
    std::fprintf(out, "size of shm segment: %d\n", kSegHeaderSize + kPageSize * h->pagesAllocated);
    std::fprintf(out, "globalLock: %d\n", h->globalLock);
    std::fprintf(out, "pagesAllocated: %d\n", h->pagesAllocated);
    std::fprintf(out, "free list:");
    MemMgr(pages, &h->freeList, 0).pgList(out);
    std::fprintf(out, "used list:");
    MemMgr(pages, &h->usedList, 0).pgList(out);
}

void ShmMgr::dbgPage(std::FILE* out, std::int32_t n) {
    ShmPages pages = QdbPages();
    PageHeader* p = pShmPtr ? pages.pgPtr(n) : nullptr;
    if (p == nullptr) {
        hv_err(__FILE__, __LINE__, 24, 580, "ShmMgr::dbgPage;pgNo invalid");
        return;
    }
    bool sized = p->objSiz >= kMinElemSize && p->objSiz <= kPageData;
    std::int32_t maxPerPg = sized ? kPageData / p->objSiz : 0;
    std::fprintf(out, "nextPage=%d\n", p->next);
    std::fprintf(out, "   stype=%s\n", StgTypeName(p->type));
    std::fprintf(out, "  objSiz=%d\n", p->objSiz);
    std::fprintf(out, " freeCnt=%d\n", p->freeCnt);
    std::fprintf(out, "maxPerPg=%d\n", maxPerPg);
    const DbMgr* owner = ChainOwner(n);
    const char* ownerName = owner ? owner->dbName() : nullptr;
    if (owner != nullptr)
        std::fprintf(out, "Belongs To:  %s\n", ownerName ? ownerName : "(unnamed)");
    else
        std::fprintf(out, "Belongs To:  Shared Memory Manager\n");
    const char* data = reinterpret_cast<const char*>(p) + kPageHeaderSize;
    if (p->type == FREE || !sized) {
        std::fprintf(out, "The remainder of the page is undefined.\n");
        for (std::int32_t i = 0; i < kPageData; ++i)
            std::fprintf(out, "%.2x   %s", static_cast<unsigned char>(data[i]), (i + 1) % 16 == 0 ? "\n" : "");
        return;
    }
    for (std::int32_t i = 0; i < maxPerPg; ++i) {
        const char* e = data + i * p->objSiz;
        std::fprintf(out, "%2d. ", i);
        dispObj(out, e);
        // A string's run is one object.
        if (p->type == STRING && reinterpret_cast<const ElemHeader*>(e)->tag == STRING) {
            std::int32_t cnt = reinterpret_cast<const ShmStr*>(e)->elmCnt;
            if (cnt > 1 && cnt <= maxPerPg - i) i += cnt - 1;
        }
    }
}

void ShmMgr::dispObj(std::FILE* out, const void* elem) {
    const auto* h = static_cast<const ElemHeader*>(elem);
    switch (h->tag) {
    case FREE: std::fprintf(out, "Is unused.\n"); break;
    case LIST: {
        const auto* n = static_cast<const ShmList*>(elem);
        const char* k = n->keyText();
        std::fprintf(out, "Key=%s, ", k ? k : "(none)");
        std::fprintf(out, "Body=0x%x, Next=0x%x\n", static_cast<unsigned>(n->body), static_cast<unsigned>(n->next));
        break;
    }
    case DBMGR: static_cast<const DbMgr*>(elem)->dbgDump(out); break;
    case STRING: {
        const auto* s = static_cast<const ShmStr*>(elem);
        const ShmStr* ok = ShmStrAt(QdbPages().offOf(s));
        std::fprintf(out, "elmCnt=%d, len=%3d, str=%s\n", s->elmCnt, s->len, ok ? ok->str() : "(damaged)");
        break;
    }
    default:
        std::fprintf(out, "Dump not implemented for this type.");
        std::fprintf(out, "  Type=%s\n", StgTypeName(h->tag));
        break;
    }
}
