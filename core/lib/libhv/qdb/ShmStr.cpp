#include "ShmStr.h"

#include "DbMgr.h"
#include "ShmMgr.h"
#include "qdberr.h"

#include <cstring>

using namespace qdbshm;

std::int32_t ShmStr::unitsFor(std::size_t len) {
    if (len == 0 || len > static_cast<std::size_t>(kPageData)) return 0;
    std::int32_t units = 1;
    if (len > static_cast<std::size_t>(kStrFirstText))
        units += static_cast<std::int32_t>((len - kStrFirstText + kStrElemSize - 1) / kStrElemSize);
    return units <= kStrMaxElems ? units : 0;
}

ShmStr* ShmStr::create(MemMgr from, const char* s, ShmOff* off) {
    if (s == nullptr) s = "";
    std::size_t len = std::strlen(s) + 1;
    std::int32_t units = unitsFor(len);
    if (units == 0) return nullptr;
    auto* p = static_cast<ShmStr*>(from.getFreeSeqElems(kStrElemSize, STRING, units, off));
    if (p == nullptr) return nullptr;
    p->len = static_cast<std::uint16_t>(len);
    // The run is contiguous: the text goes on past the head into the
    // further elements, which carry no header of their own.
    std::memcpy(p->text, s, len);
    return p;
}

bool OwnerMem(std::int32_t owner, MemMgr* out) {
    if (owner == 0) {
        *out = DbMgr::manager();
        return true;
    }
    auto* db = QdbPages().at<DbMgr>(owner);
    if (db == nullptr || db->h.tag != DBMGR || db->h.owner != 0) return false;
    *out = db->mem();
    return true;
}

int ShmStr::destroy(ShmStr* p) {
    ShmPages pages = QdbPages();
    MemMgr mem = DbMgr::manager();
    bool ownerOk = pages.isShared(p) && OwnerMem(p->h.owner, &mem);
    if (!pages.checkFree(p, STRING, "ShmStr", 626, 722, ownerOk)) return -1;
    return mem.putFreeSeqElems(p) < 0 ? -1 : 0;
}

const ShmStr* ShmStrAt(ShmOff off) {
    ShmPages pages = QdbPages();
    auto* s = pages.at<ShmStr>(off);
    if (s == nullptr) return nullptr;
    PageHeader* page = pages.pgPtr(ShmPages::pgOff(off));
    if (page == nullptr || page->type != STRING || page->objSiz != kStrElemSize) return nullptr;
    std::int32_t rel = off - pages.offOf(page) - kPageHeaderSize;
    if (rel < 0 || rel % kStrElemSize != 0) return nullptr;
    std::int32_t idx = rel / kStrElemSize;
    if (s->h.tag != STRING || s->elmCnt < 1 || s->elmCnt > kStrMaxElems - idx) return nullptr;
    std::int32_t room = kStrFirstText + (s->elmCnt - 1) * kStrElemSize;
    if (s->len < 1 || s->len > room || s->text[s->len - 1] != '\0') return nullptr;
    return s;
}
