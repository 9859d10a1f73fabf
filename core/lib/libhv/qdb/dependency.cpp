#include "dependency.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "TypeInstanceFiles.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"
#include "resource_type.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

using cfgstore::RecordText;

std::uint16_t& ParentCount(hvresource* r) { return r->scratch2; }

void* dependency::operator new(std::size_t size, DbMgr& db) noexcept {
    return db.mem().getFreeElem(static_cast<std::int32_t>(size), DEPEND, nullptr);
}

void dependency::operator delete(void* p) {
    if (p == nullptr || !QdbPages().checkFree(p, DEPEND, "dependency", 63, 64)) return;
    cfgstore::FreeRecord(p);
}

void dependency::operator delete(void* p, DbMgr&) { operator delete(p); }

dependency::dependency() { parentNm = childNm = parp = chdp = kNullOff; }

dependency::~dependency() {
    cfgstore::ClearRecordText(&parentNm);
    cfgstore::ClearRecordText(&childNm);
}

const char* dependency::parent() const { return RecordText(parentNm); }
const char* dependency::child() const { return RecordText(childNm); }

namespace {

hvresource* InstanceAt(ShmOff off) {
    auto* r = QdbPages().at<hvresource>(off);
    return r != nullptr && r->h.tag == RESOURCE ? r : nullptr;
}

std::string Key(const char* parent, const char* child) { return std::string(parent) + '\x01' + child; }

bool Below(hvresource* a, hvresource* b, std::unordered_set<hvresource*>& seen) {
    if (a == b) return true;
    if (!seen.insert(a).second) return false;
    for (hvresource* x : a->below())
        if (Below(x, b, seen)) return true;
    return false;
}

}  // namespace

hvresource* dependency::parentRes() const { return InstanceAt(parp); }

std::vector<dependency*> dependency::of(const hvresource* inst) {
    std::vector<dependency*> out;
    std::int32_t steps = 0;
    const std::int32_t most = QdbPages().pagesAllocated() * qdbshm::kPageData;
    for (ShmOff off = inst->depsOff; off >= 0 && ++steps <= most;) {
        auto* n = QdbPages().at<ShmList>(off);
        if (n == nullptr || n->h.tag != LIST) break;
        if (auto* d = QdbPages().at<dependency>(n->body); d != nullptr && d->h.tag == DEPEND) out.push_back(d);
        off = n->next;
    }
    return out;
}

namespace cfgstore {

hvresource* DependencyLower(ShmOff record) {
    auto* d = QdbPages().at<dependency>(record);
    return d != nullptr && d->h.tag == DEPEND ? d->childRes() : nullptr;
}

}  // namespace cfgstore
hvresource* dependency::childRes() const { return InstanceAt(chdp); }

int dependency::looptest(hvresource* a, hvresource* b) {
    std::unordered_set<hvresource*> seen;
    return a != nullptr && b != nullptr && Below(a, b, seen) ? 1 : 0;
}

int dependency::createfix(hvresource* parent, hvresource* child) {
    DbMgr* db = child->owner();
    if (db == nullptr) return -1;
    if (ParentCount(child) == 0 && ShmList::sever(&db->roots, child->tag()) != 0) return -1;
    ++ParentCount(child);
    (void)parent;
    return 0;
}

int dependency::create(const char* p, const char* c, int from_cache) {
    DbMgr* db = cfgstore::OwnerDb(h);
    const char* dbname = db ? db->dbName() : nullptr;
    if (dbname == nullptr) return -1;
    hvresource* pr = hvresource::findins(1, const_cast<char*>(p), nullptr, dbname);
    if (pr == nullptr) return -1;
    hvresource* cr = hvresource::findins(1, const_cast<char*>(c), nullptr, dbname);
    if (cr == nullptr) return -1;
    if (looptest(cr, pr))
        return hv_err(__FILE__, __LINE__, 23, 845, QDB_ARGS, "having \"%s\" depend on \"%s\" would produce a loop", p, c);
    DbIter it;
    it.iterInit(DEPEND, db);
    for (auto* d = static_cast<dependency*>(it.current()); d != nullptr; d = static_cast<dependency*>(it.next()))
        if (d != this && std::strcmp(d->parent(), p) == 0 && std::strcmp(d->child(), c) == 0)
            return hv_err(__FILE__, __LINE__, 23, 846, QDB_EXIST, "already in use, dependency: [%s] [%s]", p, c);
    return link(pr, cr, from_cache);
}

int dependency::link(hvresource* pr, hvresource* cr, int from_cache) {
    DbMgr* db = cfgstore::OwnerDb(h);
    if (db == nullptr) return -1;
    const char* p = pr->tag();
    const char* c = cr->tag();
    // A counter of 16 bits: one more parent would wrap it.
    if (ParentCount(cr) == UINT16_MAX)
        return hv_err(__FILE__, __LINE__, 23, 846, QDB_RANGE, "\"%s\" has too many parents", c);
    const std::string key = Key(p, c);
    ShmList* node = ShmList::create(db, key.c_str(), this);
    if (node == nullptr || cfgstore::SetRecordText(db, &parentNm, p) != 0 ||
        cfgstore::SetRecordText(db, &childNm, c) != 0 || node->insert(&pr->depsOff) != 0) {
        if (node != nullptr) ShmList::destroy(node);
        return hv_err(__FILE__, __LINE__, 23, 846, QDB_INT, "no room in the database for dependency [%s] [%s]", p, c);
    }
    if (createfix(pr, cr) != 0) {
        ShmList::sever(&pr->depsOff, key.c_str());
        return hv_err(__FILE__, __LINE__, 23, 846, QDB_INT, "the instance list of \"%s\" is damaged", db->dbName());
    }
    parp = QdbPages().offOf(pr);
    chdp = QdbPages().offOf(cr);
    if (!from_cache) pr->changed();
    return 0;
}

int dependency::remove() {
    hvresource* pr = parentRes();
    hvresource* cr = childRes();
    if (pr == nullptr || cr == nullptr) return 0;
    pr->changed();
    cr->changed();
    DbMgr* db = cr->owner();
    if (ParentCount(cr) > 0) --ParentCount(cr);
    hv_debug(__FILE__, __LINE__, "dep.remove", "dep:remove: %s has still %d dependents\n", cr->tag(), ParentCount(cr));
    if (ParentCount(cr) == 0 && db != nullptr) {
        hv_debug(__FILE__, __LINE__, "dep.remove", "dep:remove: %s becomes a root\n", cr->tag());
        ShmList* node = ShmList::create(db, cr->tag(), cr);
        if (node == nullptr || node->insert(&db->roots) != 0) {
            if (node != nullptr) ShmList::destroy(node);
            ++ParentCount(cr);
            return hv_err(__FILE__, __LINE__, 23, 850, QDB_INT, "no room to make \"%s\" a root", cr->tag());
        }
    }
    ShmList::sever(&pr->depsOff, Key(parent(), child()).c_str());
    parp = chdp = kNullOff;
    return 0;
}

deperr_t dependency::remchd(hvresource* inst, const char* p, const char* c, std::string& removed, bool* stop) {
    if (inst == nullptr || inst->mark('v') || *stop) return DEP_NOMATCH;
    inst->setmark('v', 1);
    deperr_t result = DEP_NOMATCH;
    for (hvresource* b : inst->below()) {
        const deperr_t r = remchd(b, p, c, removed, stop);
        if (r == DEP_FAILED) return DEP_FAILED;
        if (r == DEP_REMOVED) result = DEP_REMOVED;
        if (*stop) return result;
    }
    for (dependency* d : of(inst)) {
        if ((p != nullptr && std::strcmp(d->parent(), p) != 0) || (c != nullptr && std::strcmp(d->child(), c) != 0))
            continue;
        const std::string pn = d->parent(), cn = d->child();
        if (d->remove() != 0) return DEP_FAILED;
        removed += "\"" + pn + "\", \"" + cn + "\", \x01";
        delete d;
        result = DEP_REMOVED;
        if (p != nullptr && c != nullptr) {
            *stop = true;
            break;
        }
    }
    return result;
}

int dependency::createmany(const char* system, char* lines, int flag) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(system) ? nullptr : system, -1, 1000, 0);
    if (db == nullptr) return -1;
    int rc = 0;
    for (char* line = lines; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* next = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        char* p = line;
        line = next;
        char* parent = nullptr;
        char* field = nullptr;
        p = qdbstrscan(p, &parent, nullptr);
        if (*parent == '\0') continue;
        for (int i = 0; i < 5 && p != nullptr; ++i) p = qdbstrscan(p, &field, nullptr);
        std::vector<char*> children;
        // The seventh field is a child in the older lines that have no
        // reservation and event fields; else fields 7 to 10 are skipped.
        if (p != nullptr) {
            p = qdbstrscan(p, &field, nullptr);
            if (*field != '\0' && hvresource::findres(db, field, nullptr) != nullptr) {
                children.push_back(field);
            } else {
                for (int i = 0; i < 3 && p != nullptr; ++i) p = qdbstrscan(p, &field, nullptr);
            }
        }
        while (p != nullptr) {
            p = qdbstrscan(p, &field, nullptr);
            if (*field != '\0') children.push_back(field);
        }
        for (char* child : children) {
            auto* d = new (*db) dependency();
            if (d == nullptr) return hv_err(__FILE__, __LINE__, 23, 846, QDB_INT, "no room for dependency [%s] [%s]", parent, child);
            if (d->create(parent, child, flag) != 0) {
                cfgstore::SavedError keep;
                delete d;
                rc = -1;
            }
        }
    }
    return rc;
}

int dependency::dep_readall() {
    return cfgstore::ForEachInstancesFile(false, [](const char*, const char*, char* text) {
        return createmany(nullptr, text, 0);
    });
}

int dependency::dep_remthis(const char*, const char*) { return 0; }

int dependency::broadcastUpdate(char command, const char* key, DbMgr* db) {
    if (db == nullptr) return -1;
    if (command != 'a' && command != 'c') return -2;
    const char letters[2] = {command, '\0'};
    return CacheUpdateFrame::Send(db, 'F', letters, key, nullptr);
}

int dependency::updateCache(char* text) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(text, "ac", &r); rc != 0) return rc;
    if (*r.rest == '\0') return -7;
    char* sep = std::strchr(r.rest, '\x01');
    if (sep == nullptr) return -8;
    *sep = '\0';
    const char* p = r.rest;
    const char* c = sep + 1;
    if (*c == '\0' && *p == '\0') return -8;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -12;
    int rc = 0;
    if (r.command == 'a') {
        auto* d = new (*db) dependency();
        cfgstore::SavedError keep;
        if (d == nullptr || d->create(p, c, 1) != 0) {
            delete d;
            rc = -9;
        }
    } else {
        std::vector<dependency*> gone;
        DbIter it;
        it.iterInit(DEPEND, db);
        for (auto* d = static_cast<dependency*>(it.current()); d != nullptr; d = static_cast<dependency*>(it.next()))
            if ((*p == '\0' || std::strcmp(d->parent(), p) == 0) && (*c == '\0' || std::strcmp(d->child(), c) == 0))
                gone.push_back(d);
        for (dependency* d : gone) {
            d->remove();
            delete d;
        }
    }
    db->applyStamp(r.before, r.after);
    return rc;
}

void dependency::printdep(ShmOff list) {
    std::printf("\t\tdepends on");
    const char* sep = " ";
    for (ShmOff off = list; off >= 0;) {
        auto* n = QdbPages().at<ShmList>(off);
        if (n == nullptr || n->h.tag != LIST) break;
        if (auto* d = QdbPages().at<dependency>(n->body); d != nullptr && d->h.tag == DEPEND) {
            std::printf("%s%s", sep, d->child());
            sep = ", ";
        }
        off = n->next;
    }
    std::printf("\n");
}

void dependency::dbgDump() const {
    std::printf("parentNm=(0x%x)%s, childNm=(0x%x)%s, parp=0x%x, chdp=0x%x\n", static_cast<unsigned>(parentNm), parent(),
                static_cast<unsigned>(childNm), child(), static_cast<unsigned>(parp), static_cast<unsigned>(chdp));
}
