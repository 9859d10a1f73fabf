// The applications table's C interface.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "application.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstdio>
#include <string>
#include <vector>

using cfgstore::IsLocalSystem;

extern "C" int app_create(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0')
        return hv_err(__FILE__, __LINE__, 23, 840, QDB_ARGS, "must specify new application name");
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'C', 'a', "%s", name);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    application* a = application::alloc(db);
    if (a == nullptr) return hv_err(__FILE__, __LINE__, 23, 840, QDB_INT, "no room for application %s", name);
    if (a->create(name, 0) != 0) {
        cfgstore::SavedError keep;
        a->destroy();
        return -1;
    }
    application::broadcastUpdate('a', name, db);
    return 0;
}

extern "C" int app_remove(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0')
        return hv_err(__FILE__, __LINE__, 23, 841, QDB_ARGS, "must specify application name to remove");
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'C', 'c', "%s", name);
    int rc = 0;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        application* a = application::findapp(name, db, false);
        if (a == nullptr) {
            rc = hv_err(__FILE__, __LINE__, 23, 842, QDB_NOEXIST, "no match for removing applications \"%s\"", name);
        } else if (a->remove() == 0) {
            a->destroy();
            application::broadcastUpdate('c', name, db);
            pQdb_shgp->changed[qdbshm::kChangedApplications] = 1;
        } else {
            rc = -1;
        }
    }
    // The tables are written in every case; a failure to write does not
    // hide the removal's own error.
    cfgstore::SavedError keep;
    qdbsync(nullptr);
    return rc;
}

extern "C" char** app_list(const char* dbsys) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) return nullptr;
    return cfgstore::RecordNames<application>(db, APPLIC);
}

extern "C" int app_sync(const char* dest) {
    qdbpinit();
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'C', 'b', "%s", "");
    // Under the lock, so that no creation slips between the walk and the
    // clearing of the flag.
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr || !pQdb_shgp->changed[qdbshm::kChangedApplications]) return 0;
    std::vector<std::string> dirs;
    DbIter it;
    it.iterInit(APPLIC, db);
    for (auto* a = static_cast<application*>(it.current()); a != nullptr; a = static_cast<application*>(it.next()))
        if (const std::string dir = cfgstore::AppDir(a->appName()); !dir.empty()) dirs.push_back(dir + "/resources");
    const int rc = cfgstore::MakeDirs(dirs, 838, "app_sync:mkdirp: %s failed");
    if (rc == 0) pQdb_shgp->changed[qdbshm::kChangedApplications] = 0;
    return rc;
}
