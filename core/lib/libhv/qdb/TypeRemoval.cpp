// The local removal of resource types with their instances and directories.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "RemovalStep.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "hvresource.h"
#include "qdberr.h"
#include "resource_type.h"

#include <cstring>
#include <string>
#include <vector>

int hvresource::privtyp_remove(const char* dbsys, const char* application, const char* type) {
    if (application == nullptr || *application == '\0')
        return hv_err(__FILE__, __LINE__, 23, 1053, QDB_ARGS, "must specify application");
    if (!cfgstore::IsLocalSystem(dbsys))
        return hv_err(__FILE__, __LINE__, 23, 1053, QDB_ARGS,
                      "privtyp_remove:Can not remove type on cached database; use type_remove()");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 1054, QDB_NOEXIST, "System not found: \"%s\"", dbsys ? dbsys : "");
    const bool anyType = type == nullptr || *type == '\0';
    std::vector<std::string> matched;
    DbIter it;
    it.iterInit(RESTYPE, db);
    for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next()))
        if (std::strcmp(t->app(), application) == 0 && (anyType || std::strcmp(t->typ(), type) == 0))
            matched.emplace_back(t->typ());
    if (matched.empty())
        return hv_err(__FILE__, __LINE__, 23, 1054, QDB_NOEXIST,
                      "no match for removing resource types using application \"%s\" and type \"%s\"", application,
                      anyType ? "" : type);
    int rc = 0;
    std::vector<std::string> removed;
    for (const std::string& t : matched) {
        if (cfgstore::RemovalStep([&] { return cfgstore::Seams().removeInstances(application, t.c_str()); }) != 0) {
            // Its record and its directory stay: the directory holds the
            // files of the instances that are still there.
            rc = -1;
            continue;
        }
        if (cfgstore::RemoveTree(cfgstore::TypeDir(application, t.c_str())) != 0)
            hv_err(__FILE__, __LINE__, 24, 1054, "privtyp_remove: cannot remove the directory of \"%s\" \"%s\"",
                   application, t.c_str());
        if (resource_type* rec = resource_type::find(db, application, t.c_str())) rec->destroy();
        removed.push_back(t);
    }
    // One record for the whole match; when some types stayed, one for each
    // type that went, so that the copies keep the others.
    if (removed.size() == matched.size()) {
        const std::string key = std::string(application) + '\x01' + (anyType ? "" : type);
        resource_type::broadcastUpdate('c', key.c_str(), db);
    } else {
        for (const std::string& t : removed)
            resource_type::broadcastUpdate('c', (std::string(application) + '\x01' + t).c_str(), db);
    }
    pQdb_shgp->changed[qdbshm::kChangedResTypes] = 1;
    return rc;
}
