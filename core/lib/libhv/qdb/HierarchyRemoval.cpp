// Removing instances and whole hierarchies (ins_remove): the delete marks,
// the checks that nothing kept depends on what goes, and the removal from
// the top down with each instance's delete action run without the lock.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceInterface.h"
#include "InstanceSeams.h"
#include "QdbStartup.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "dependency.h"
#include "elist.h"
#include "equivalency.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "systems.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using cfgstore::IsLocalSystem;

namespace {

const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s != nullptr && *s != '\0'; }

// Most instances one removal collects below an instance.
constexpr std::size_t kMaxCollected = 299;

struct Selection {
    const char *app, *typ, *tag, *id;
    bool Matches(const hvresource* r) const {
        if (Given(tag)) return std::strcmp(r->tag(), tag) == 0;
        if (Given(id)) return std::strcmp(r->id(), id) == 0;
        return (!Given(app) || std::strcmp(r->app(), app) == 0) && (!Given(typ) || std::strcmp(r->typ(), typ) == 0);
    }
};

// Everything below r (not r), each once.
void CollectBelow(hvresource* r, std::unordered_set<hvresource*>& seen, std::vector<hvresource*>& out) {
    for (hvresource* b : r->below())
        if (seen.insert(b).second) {
            out.push_back(b);
            CollectBelow(b, seen, out);
        }
}

// The marks that cannot stand: below an instance that stays, what was only
// marked for lying below a top instance stays too. Explicit targets keep
// their marks, so that the check after reports them.
// Each instance is walked at most once allowed and once not.
void ClearInterDeps(hvresource* r, bool allowed, const std::unordered_set<hvresource*>& targets,
                    std::unordered_set<hvresource*>* seen) {
    if (!allowed && r->mark('r') && targets.count(r) == 0) r->setmark('D', 0);
    if (!r->mark('r')) allowed = false;
    if (!seen[allowed ? 1 : 0].insert(r).second) return;
    for (hvresource* b : r->below()) ClearInterDeps(b, allowed, targets, seen);
}

// Removes every dependency record in which r is the upper or the lower
// instance, each announced to the other systems.
void UnlinkAll(DbMgr* db, hvresource* r) {
    std::vector<dependency*> gone = dependency::of(r);
    DbIter it;
    it.iterInit(DEPEND, db);
    for (auto* d = static_cast<dependency*>(it.current()); d != nullptr; d = static_cast<dependency*>(it.next()))
        if (d->childRes() == r) gone.push_back(d);
    for (dependency* d : gone) {
        const std::string key = std::string(d->parent()) + '\x01' + d->child();
        d->remove();
        delete d;
        dependency::broadcastUpdate('c', key.c_str(), db);
    }
}

}  // namespace

extern "C" int ins_remove(const char* system, const char* top, const char* app, const char* typ, const char* tag,
                          const char* id, char* answer, int removeinit, int forceglobal) {
    qdbpinit();
    const char answerLetter = answer != nullptr && answer[0] == 'y' ? 'y' : 'n';
    if (answer != nullptr) *answer = '\0';
    if (forceglobal && !removeinit)
        return hv_err(__FILE__, __LINE__, 23, 933, QDB_ARGS,
                      "can't force global delete actions if remove initialization is turned off");
    if (Given(top)) {
        if (Given(app) || Given(typ) || Given(tag) || Given(id))
            return hv_err(__FILE__, __LINE__, 23, 934, QDB_ARGS, "can't specify app, typ, id or tag when top is set");
    } else {
        if (Given(tag) && Given(id))
            return hv_err(__FILE__, __LINE__, 23, 935, QDB_ARGS, "can't set both tag and identifier at same time");
        if (Given(app) && (Given(tag) || Given(id)))
            return hv_err(__FILE__, __LINE__, 23, 936, QDB_ARGS, "can't set application when tag or id is set");
        if (Given(typ) && (Given(tag) || Given(id)))
            return hv_err(__FILE__, __LINE__, 23, 937, QDB_ARGS, "can't set resource type when tag or id is set");
        if (!Given(app) && !Given(typ))
            if (!Given(tag) && !Given(id))
                return hv_err(__FILE__, __LINE__, 23, 938, QDB_ARGS, "must specify at least one argument");
    }
    if (!IsLocalSystem(system)) {
        if (!removeinit && !forceglobal) {
            const std::string flag = std::string("!delete!") + system;
            if (flg_create(nullptr, flag.c_str()) != 0 && Qdb_errno == QDB_EXIST) qdberrclr();
        }
        return qdbsendremote(nullptr, system, 'E', 'c', "%s\x01%s\x01%s\x01%s\x01%c\x01%c\x01%c\x01%s", Text(app),
                             Text(typ), Text(tag), Text(id), answerLetter, removeinit ? 'T' : 'F',
                             forceglobal ? 'T' : 'F', Text(top));
    }
    int result = 0;
    if (removeinit) {
        // The delete marks of an earlier removal go, here and on every other
        // system that can be reached.
        hvresource::clear_a_mark('D', 0);
        char** systems = sys_list(nullptr);
        qdberrclr();
        for (char** s = systems; s != nullptr && *s != nullptr; ++s) {
            if (!IsLocalSystem(*s)) {
                const int before = Qdb_errno;
                if (qdbsendremote(nullptr, *s, '@', 'd', "%s", "D\x01") != 0 && before == 0) qdberrclr();
            }
            qdbfreeit(*s);
        }
        qdbfreeit(systems);
    }

    // Marking and checking, under the lock.
    std::vector<std::string> order;  // the marked tags, every upper one before those below it
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        const std::vector<hvresource*> all = cfgstore::AllInstances(db);
        for (hvresource* r : all) r->setmark('v', 0);
        std::unordered_set<hvresource*> targets;
        // What this call marked: only that is removed here (another removal
        // may have marked instances of its own meanwhile).
        std::unordered_set<hvresource*> mine;
        if (!Given(top)) {
            const Selection sel{app, typ, tag, id};
            for (hvresource* r : all)
                if (sel.Matches(r)) {
                    r->setmark('D', 1);
                    targets.insert(r);
                }
        } else {
            std::string tops = top;
            for (char* p = tops.data(); p != nullptr;) {
                char* t = nullptr;
                p = qdbstrscan(p, &t, nullptr);
                if (*t == '\0') continue;
                hvresource* r = hvresource::findins(1, t, nullptr, nullptr);
                if (r == nullptr) {
                    result = -1;
                    continue;
                }
                targets.insert(r);
                r->clearamark('D', 1);
                std::unordered_set<hvresource*> seen;
                std::vector<hvresource*> below;
                CollectBelow(r, seen, below);
                mine.insert(below.begin(), below.end());
            }
        }
        mine.insert(targets.begin(), targets.end());
        std::unordered_set<hvresource*> walked[2];
        for (hvresource* r : hvresource::listed(db)) ClearInterDeps(r, true, targets, walked);
        // Nothing kept may depend on what goes.
        for (hvresource* r : all) {
            if (r->mark('r')) continue;
            for (hvresource* b : r->below())
                if (b->mark('r')) {
                    hv_err(__FILE__, __LINE__, 23, 932, QDB_DEP,
                           "undeleted instance \"%s\" depends on instance \"%s\" that is to be deleted", r->tag(), b->tag());
                    for (hvresource* x : mine) x->setmark('D', 0);
                    return -1;
                }
        }
        // Top down: an instance once every marked one above it is placed.
        auto going = [&](hvresource* r) { return mine.count(r) != 0 && r->mark('r'); };
        std::unordered_map<hvresource*, int> above;
        for (hvresource* r : all)
            if (going(r))
                for (hvresource* b : r->below())
                    if (going(b)) ++above[b];
        std::vector<hvresource*> ready;
        for (hvresource* r : all)
            if (going(r) && above[r] == 0) ready.push_back(r);
        for (std::size_t i = 0; i < ready.size(); ++i) {
            order.push_back(ready[i]->tag());
            for (hvresource* b : ready[i]->below())
                if (going(b) && --above[b] == 0) ready.push_back(b);
        }
        // What stays loses the marks of this call.
        for (hvresource* r : mine)
            if (!going(r)) r->setmark('D', 0);
    }

    // Removal, one instance at a time; its delete action runs without the
    // lock, so every instance is found again by its tag afterwards and one
    // that another process removed meanwhile is skipped.
    int removed = 0;
    for (const std::string& t : order) {
        std::string ident;
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            hvresource* r = db ? hvresource::findres(db, t.c_str(), nullptr) : nullptr;
            if (r == nullptr || !r->mark('r')) continue;
            std::unordered_set<hvresource*> seen;
            std::vector<hvresource*> below;
            CollectBelow(r, seen, below);
            if (below.size() > kMaxCollected) {
                hv_err(__FILE__, __LINE__, 23, 896, QDB_RANGE, "dependency remove overflow");
                result = -1;
                break;
            }
            ident = r->id();
        }
        {
            // The action's result does not stop the removal.
            cfgstore::SavedError keep;
            const std::string options = "-t " + t + " -i " + ident;
            cfgstore::Seams().perfaction(t.c_str(), "delete", options.c_str());
        }
        {
            // Equivalencies go with their remote requests, outside the lock.
            const int before = Qdb_errno;
            if (eqv_remove(nullptr, pQdb_uname, t.c_str(), 0, nullptr, nullptr) != 0) {
                if (Qdb_errno != QDB_NOEXIST) {
                    result = -1;
                    break;
                }
                if (before == 0) qdberrclr();
            }
        }
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        hvresource* r = db ? hvresource::findres(db, t.c_str(), nullptr) : nullptr;
        if (r == nullptr) continue;
        UnlinkAll(db, r);
        elist::clearevents(&r->eventsOff);
        r->changed();
        if (ShmList::sever(&db->roots, t.c_str()) != 0) {
            result = -1;
            break;
        }
        delete r;
        hvresource::broadcastUpdate('c', 0, db, t.c_str(), nullptr, nullptr, nullptr, nullptr, ILLINIT, ILLSTATE, nullptr);
        ++removed;
    }
    if (result != 0) {
        // A removal that stopped leaves no marks behind.
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        for (const std::string& t : order)
            if (hvresource* r = db ? hvresource::findres(db, t.c_str(), nullptr) : nullptr) r->setmark('D', 0);
        return -1;
    }
    if (removed > 0) return 0;
    if (Given(top))
        return hv_err(__FILE__, __LINE__, 23, 942, QDB_NOEXIST,
                      "either there are no matches or all matching resource instances below resources \"%s\" in the "
                      "hierarchy have a resource which is dependent that is not being removed",
                      top);
    if (Given(id))
        return hv_err(__FILE__, __LINE__, 23, 939, QDB_NOEXIST, "no matching resource instance with identifier \"%s\"", id);
    if (Given(tag)) return hv_err(__FILE__, __LINE__, 23, 940, QDB_NOEXIST, "no matching resource instance with tag \"%s\"", tag);
    if (Given(app) && Given(typ))
        return hv_err(__FILE__, __LINE__, 23, 943, QDB_NOEXIST,
                      "no matching resource instance for application \"%s\" and resource type \"%s\"", app, typ);
    return hv_err(__FILE__, __LINE__, 23, 944, QDB_NOEXIST, "no matching resource instances");
}

namespace cfgstore {

int RemoveMatchingInstances(const char* app, const char* typ) {
    return ins_remove(nullptr, nullptr, app, typ, nullptr, nullptr, nullptr, 1, 0);
}

}  // namespace cfgstore
