#include "ShmList.h"

#include "DbMgr.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "qdberr.h"

#include <cstring>

using namespace qdbshm;

namespace {

// Most nodes a list can have: the bound of every walk along one.
std::int32_t MaxNodes() { return QdbPages().pagesAllocated() * (kPageData / static_cast<std::int32_t>(sizeof(ShmList))); }

ShmList* NodeAt(ShmOff off) {
    auto* n = QdbPages().at<ShmList>(off);
    return n != nullptr && n->h.tag == LIST ? n : nullptr;
}

// The next link word after `link` (a head word or a node's next), or null
// with the corruption reported when it names no node or the walk is too long.
bool Follow(ShmOff off, std::int32_t* steps, ShmList** node) {
    *node = NodeAt(off);
    if (*node == nullptr || ++*steps > MaxNodes()) {
        hv_err(__FILE__, __LINE__, 21, 284, "Database corrupted-loop in page list\n");
        return false;
    }
    return true;
}

int CompareKeys(const char* a, const char* b) {
    return std::strcmp(a, b);  // strcmp compares as unsigned char
}

}  // namespace

const char* ShmList::keyText() const {
    const ShmStr* s = ShmStrAt(key);
    return s ? s->str() : nullptr;
}

ShmList* ShmList::create(DbMgr* db, const char* keyText, ShmOff bodyOff) {
    MemMgr mem = db ? db->mem() : DbMgr::manager();
    ShmOff off = -1;
    auto* node = static_cast<ShmList*>(mem.getFreeElem(sizeof(ShmList), LIST, &off));
    if (node == nullptr) return nullptr;
    node->key = node->body = node->next = kNullOff;
    if (keyText != nullptr && ShmStr::create(mem, keyText, &node->key) == nullptr) {
        mem.putFreeElem(node);
        return nullptr;
    }
    node->body = bodyOff;
    return node;
}

ShmList* ShmList::create(DbMgr* db, const char* keyText, const void* bodyPtr) {
    return create(db, keyText, bodyPtr ? QdbPages().offOf(bodyPtr) : kNullOff);
}

int ShmList::insert(ShmOff* head) {
    const char* mine = keyText();
    if (mine == nullptr) mine = "";
    std::int32_t steps = 0;
    ShmOff* link = head;
    while (*link >= 0) {
        ShmList* n = nullptr;
        if (!Follow(*link, &steps, &n)) return -1;
        const char* k = n->keyText();
        if (CompareKeys(k ? k : "", mine) > 0) break;
        link = &n->next;
    }
    next = *link;
    *link = QdbPages().offOf(this);
    return 0;
}

int ShmList::sever(ShmOff* head, const char* keyText) {
    std::int32_t steps = 0;
    ShmOff* link = head;
    while (keyText != nullptr && *link >= 0) {
        ShmList* n = nullptr;
        if (!Follow(*link, &steps, &n)) return -1;
        const char* k = n->keyText();
        if (k != nullptr && std::strcmp(k, keyText) == 0) {
            *link = n->next;
            return destroy(n);
        }
        link = &n->next;
    }
    hv_err(__FILE__, __LINE__, 24, 578, "ShmList::sever;key not found.");
    return -1;
}

int ShmList::destroy(ShmList* p) {
    ShmPages pages = QdbPages();
    MemMgr mem = DbMgr::manager();
    bool ownerOk = pages.isShared(p) && (p->h.owner == -1 || OwnerMem(p->h.owner, &mem));
    if (!pages.checkFree(p, LIST, "ShmList", 308, 309, ownerOk)) return -1;
    if (p->key >= 0) {
        if (auto* s = const_cast<ShmStr*>(ShmStrAt(p->key))) ShmStr::destroy(s);
        p->key = kNullOff;
    }
    return mem.putFreeElem(p) < 0 ? -1 : 0;
}
