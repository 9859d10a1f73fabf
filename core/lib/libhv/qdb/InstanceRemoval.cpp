// Removing the instances of an application or type when the application or
// type goes, until the full hierarchy removal takes this over.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmList.h"
#include "elist.h"
#include "hvresource.h"
#include "qdberr.h"

#include <cstring>
#include <string>
#include <unordered_set>

namespace cfgstore {

int RemoveUnlinkedInstances(const char* app, const char* typ) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    const std::vector<hvresource*> all = hvresource::listed(db);
    // Which instances dependency records involve, before any is freed.
    std::unordered_set<hvresource*> linked;
    for (hvresource* x : all) {
        if (x->depsOff >= 0) linked.insert(x);
        for (hvresource* b : x->below()) linked.insert(b);
    }
    bool matched = false;
    int rc = 0;
    for (hvresource* r : all) {
        if (app != nullptr && std::strcmp(r->app(), app) != 0) continue;
        if (typ != nullptr && std::strcmp(r->typ(), typ) != 0) continue;
        matched = true;
        if (linked.count(r) != 0) {
            rc = hv_err(__FILE__, __LINE__, 23, 932, QDB_DEP, "instance \"%s\" is part of a hierarchy and stays", r->tag());
            continue;
        }
        const std::string tag = r->tag();
        r->changed();
        elist::clearevents(&r->eventsOff);
        ShmList::sever(&db->roots, tag.c_str());
        delete r;
        hvresource::broadcastUpdate('c', 0, db, tag.c_str(), nullptr, nullptr, nullptr, nullptr, ILLINIT, ILLSTATE,
                                    nullptr);
    }
    if (!matched)
        return hv_err(__FILE__, __LINE__, 23, 944, QDB_NOEXIST, "no matching resource instances");
    return rc;
}

}  // namespace cfgstore
