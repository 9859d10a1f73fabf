// The dependency C functions: creating, removing and listing.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "dependency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using cfgstore::AllInstances;
using cfgstore::IsLocalSystem;

namespace {

const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s != nullptr && *s != '\0'; }

bool HasDependencies(DbMgr* db) {
    DbIter it;
    it.iterInit(DEPEND, db);
    return it.current() != nullptr;
}

// The records of a listing, cut at kDepListMax with a soft report.
class DepRecords {
public:
    DepRecords(char sep, const char* app, const char* typ) : sep_(sep ? sep : '\x01'), app_(app), typ_(typ) {}
    // Adds the pair when `far` passes the application and type filter.
    void add(const dependency* d, const hvresource* far) {
        if (far == nullptr || full_) return;
        if (Given(app_) && std::strcmp(far->app(), app_) != 0) return;
        if (Given(typ_) && std::strcmp(far->typ(), typ_) != 0) return;
        if (!seen_.insert(d).second) return;
        if (records_.size() == static_cast<std::size_t>(kDepListMax)) {
            // The list stops here; the caller gets what fits and code 6.
            hv_err(__FILE__, __LINE__, 23, 844, QDB_RANGE, "number of list elements has exceeded %d\n", kDepListMax);
            full_ = true;
            return;
        }
        records_.push_back(std::string(d->parent()) + sep_ + d->child());
    }
    bool empty() const { return records_.empty(); }
    char** release() const { return cfgstore::NameList(cfgstore::Texts(records_)); }

private:
    char sep_;
    const char* app_;
    const char* typ_;
    bool full_ = false;
    std::unordered_set<const dependency*> seen_;
    std::vector<std::string> records_;
};

}  // namespace

std::vector<hvresource*> cfgstore::AllInstances(DbMgr* db) {
    std::vector<hvresource*> out;
    std::unordered_set<hvresource*> seen;
    struct Rec {
        static void Go(hvresource* r, std::unordered_set<hvresource*>& seen, std::vector<hvresource*>& out) {
            if (!seen.insert(r).second) return;
            out.push_back(r);
            for (hvresource* b : r->below()) Go(b, seen, out);
        }
    };
    for (hvresource* r : hvresource::listed(db)) Rec::Go(r, seen, out);
    return out;
}

namespace {

void AllBelow(hvresource* r, std::unordered_set<hvresource*>& seen, DepRecords& out) {
    if (!seen.insert(r).second) return;
    for (dependency* d : dependency::of(r)) {
        out.add(d, d->childRes());
        AllBelow(d->childRes(), seen, out);
    }
}

}  // namespace

extern "C" int dep_create(const char* system, const char* parent, const char* child) {
    qdbpinit();
    if (!Given(parent)) return hv_err(__FILE__, __LINE__, 23, 847, QDB_ARGS, "must specify parent name of dependency");
    if (!Given(child)) return hv_err(__FILE__, __LINE__, 23, 848, QDB_ARGS, "must specify child name of dependency");
    const std::string key = std::string(parent) + '\x01' + child;
    if (!IsLocalSystem(system)) return qdbsendremote(nullptr, system, 'F', 'a', "%s", key.c_str());
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    auto* d = new (*db) dependency();
    if (d == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 846, QDB_INT, "no room for dependency [%s] [%s]", parent, child);
    if (d->create(parent, child, 0) != 0) {
        cfgstore::SavedError keep;
        delete d;
        return -1;
    }
    dependency::broadcastUpdate('a', key.c_str(), db);
    return 0;
}

extern "C" int dep_remove(const char* system, const char* parent, const char* child, char* removed) {
    qdbpinit();
    if (removed != nullptr) *removed = '\0';
    if (!Given(parent) && !Given(child))
        return hv_err(__FILE__, __LINE__, 23, 849, QDB_ARGS, "both parent and child of dependency can't be left unspecified");
    const char* p = Given(parent) ? parent : nullptr;
    const char* c = Given(child) ? child : nullptr;
    if (!IsLocalSystem(system)) {
        std::vector<char> reply(kQdbMesMax);
        const int rc = qdbsendremote(reply.data(), system, 'F', 'c', "%s\x01%s\x01%c", Text(p), Text(c),
                                     removed != nullptr ? 'y' : 'n');
        if (rc == 0 && removed != nullptr) std::strcpy(removed, reply.data());
        return rc;
    }
    std::string gone;
    deperr_t result = DEP_NOMATCH;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        const std::vector<hvresource*> roots = hvresource::listed(db);
        for (hvresource* r : roots) r->clearmark();
        bool stop = false;
        for (hvresource* r : roots) {
            const deperr_t one = dependency::remchd(r, p, c, gone, &stop);
            if (one == DEP_FAILED) {
                result = DEP_FAILED;
                break;
            }
            if (one == DEP_REMOVED) result = DEP_REMOVED;
            if (stop) break;
        }
        if (!gone.empty()) {
            const std::string key = std::string(Text(p)) + '\x01' + Text(c);
            dependency::broadcastUpdate('c', key.c_str(), db);
        }
    }
    if (!gone.empty()) gone.pop_back();
    if (removed != nullptr) std::memcpy(removed, gone.c_str(), gone.size() + 1);
    if (result == DEP_FAILED) return -1;
    if (result == DEP_NOMATCH)
        return hv_err(__FILE__, __LINE__, 23, 850, QDB_NOEXIST,
                      "no match for removing dependency using parent \"%s\" and child \"%s\"", Text(p), Text(c));
    return 0;
}

extern "C" char** dep_list(const char* system, const char* tag, int which, const char* application, const char* type,
                           char sep) {
    qdbpinit();
    if (which < 0 || which > 3) {
        hv_err(__FILE__, __LINE__, 23, 851, QDB_ARGS, "dependency list kind %d is not 0 to 3", which);
        return nullptr;
    }
    if (!Given(tag)) {
        hv_err(__FILE__, __LINE__, 23, which == 1 || which == 2 ? 854 : 851, QDB_ARGS,
               which == 1 || which == 2 ? "must specify parent tag to get child dependencies"
                                        : "must specify child tag to get parent dependencies");
        return nullptr;
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = cfgstore::SystemDb(lk, system, 855);
    if (db == nullptr) return nullptr;
    DepRecords out(sep, application, type);
    hvresource* self = hvresource::findres(db, tag, nullptr);
    switch (which) {
    case 0:
        for (hvresource* r : AllInstances(db))
            for (dependency* d : dependency::of(r))
                if (std::strcmp(d->child(), tag) == 0) out.add(d, r);
        break;
    case 1:
        if (self != nullptr)
            for (dependency* d : dependency::of(self)) out.add(d, d->childRes());
        break;
    case 2:
        if (self != nullptr) {
            std::unordered_set<hvresource*> seen;
            AllBelow(self, seen, out);
        }
        break;
    case 3:
        if (self != nullptr) {
            // Every instance that reaches the tag, and so every dependency
            // whose child is one of them lies on a path from a root to it.
            std::unordered_set<hvresource*> reaching{self};
            const std::vector<hvresource*> all = AllInstances(db);
            std::unordered_map<hvresource*, std::vector<hvresource*>> parents;
            for (hvresource* r : all)
                for (hvresource* b : r->below()) parents[b].push_back(r);
            for (std::vector<hvresource*> todo{self}; !todo.empty();) {
                hvresource* x = todo.back();
                todo.pop_back();
                for (hvresource* up : parents[x])
                    if (reaching.insert(up).second) todo.push_back(up);
            }
            for (hvresource* r : all)
                if (reaching.count(r))
                    for (dependency* d : dependency::of(r))
                        if (reaching.count(d->childRes())) out.add(d, r);
        }
        break;
    }
    if (!out.empty()) return out.release();
    const bool none = !HasDependencies(db);
    static const struct {
        int none, some;
        const char* text;
    } kMiss[4] = {{853, 852, "no parent dependencies for child tag name \"%s\""},
                  {856, 855, "no child dependencies for parent tag name \"%s\""},
                  {858, 857, "no matching dependencies starting at tag name \"%s\""},
                  {861, 860, "no matching dependencies ending at tag name \"%s\""}};
    if (none)
        hv_err(__FILE__, __LINE__, 23, kMiss[which].none, QDB_NOEXIST, "no dependencies exist");
    else
        hv_err(__FILE__, __LINE__, 23, kMiss[which].some, QDB_NOEXIST, kMiss[which].text, tag);
    return nullptr;
}
