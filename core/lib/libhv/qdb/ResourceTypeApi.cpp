// The resource-types table's C interface.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "resource_type.h"

#include <cstring>
#include <string>
#include <vector>

using cfgstore::IsLocalSystem;

extern "C" int typ_create(const char* dest, const char* application, const char* type) {
    qdbpinit();
    if (application == nullptr || *application == '\0')
        return hv_err(__FILE__, __LINE__, 23, 1050, QDB_ARGS, "must specify application name");
    if (type == nullptr || *type == '\0')
        return hv_err(__FILE__, __LINE__, 23, 1051, QDB_ARGS, "must specify resource type name");
    const std::string key = std::string(application) + '\x01' + type;
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'D', 'a', "%s", key.c_str());
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    resource_type* t = resource_type::alloc(db);
    if (t == nullptr) return hv_err(__FILE__, __LINE__, 23, 1049, QDB_INT, "no room for resource type %s", type);
    if (t->create(application, type, 0) != 0) {
        cfgstore::SavedError keep;
        t->destroy();
        return -1;
    }
    resource_type::broadcastUpdate('a', key.c_str(), db);
    return 0;
}

extern "C" int typ_remove(const char* dest, const char* application, const char* type) {
    qdbpinit();
    if (type == nullptr || *type == '\0')
        return hv_err(__FILE__, __LINE__, 23, 1052, QDB_ARGS, "must specify resource type name");
    if (!IsLocalSystem(dest))
        return qdbsendremote(nullptr, dest, 'D', 'c', "%s\x01%s", application ? application : "", type);
    return hvresource::privtyp_remove(dest, application, type);
}

extern "C" char** typ_list(const char* dbsys, const char* application, int sep) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) return nullptr;
    const char separator = sep == 0 ? '\x01' : static_cast<char>(sep);
    std::vector<std::string> entries;
    DbIter it;
    it.iterInit(RESTYPE, db);
    for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next())) {
        if (application == nullptr || *application == '\0')
            entries.push_back(std::string(t->app()) + separator + t->typ());
        else if (std::strcmp(t->app(), application) == 0)
            entries.emplace_back(t->typ());
    }
    if (entries.empty()) {
        if (application != nullptr && *application != '\0')
            hv_err(__FILE__, __LINE__, 23, 1055, QDB_NOEXIST, "no resource types for %s are found", application);
        else
            hv_err(__FILE__, __LINE__, 23, 1055, QDB_NOEXIST, "no resource types are found");
        return nullptr;
    }
    std::vector<const char*> names;
    for (const std::string& e : entries) names.push_back(e.c_str());
    return cfgstore::NameList(names);
}

extern "C" int typ_sync(const char* dest) {
    qdbpinit();
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'D', 'b', "%s", "");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr || !pQdb_shgp->changed[qdbshm::kChangedResTypes]) return 0;
    std::vector<std::string> dirs;
    DbIter it;
    it.iterInit(RESTYPE, db);
    for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next()))
        if (const std::string dir = cfgstore::TypeDir(t->app(), t->typ()); !dir.empty()) dirs.push_back(dir + "/recovery");
    const int rc = cfgstore::MakeDirs(dirs, 1048, "typ_sync:mkdirp() %s");
    if (rc == 0) pQdb_shgp->changed[qdbshm::kChangedResTypes] = 0;
    return rc;
}
