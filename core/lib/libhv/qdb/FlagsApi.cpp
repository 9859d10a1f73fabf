// The flags table's C interface.
#include "AutoQdbLock.h"
#include "CrashPoint.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "DebugFlags.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "systems.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

using cfgstore::IsLocalSystem;

namespace cfgstore {

namespace {

// The local flags as the debug test reads them, kept per thread and built
// again when the local database's stamp or flag count moves (every change
// of the local flags does one or the other).
struct DebugFlagCache {
    const char* base = nullptr;
    QdbDbTime stamp{0, 0};
    std::int32_t count = -1;
    std::unordered_set<std::string> exact;
    std::vector<std::string> patterns;  // names that begin or end with '*'
};
thread_local DebugFlagCache t_debugFlags;

void RefreshDebugFlags(DbMgr* db) {
    DebugFlagCache& c = t_debugFlags;
    const std::int32_t count = db->mem().objCnt(FLG);
    if (c.base == pShmPtr && c.stamp == db->tStamp && c.count == count) return;
    c.base = pShmPtr;
    c.stamp = db->tStamp;
    c.count = count;
    c.exact.clear();
    c.patterns.clear();
    DbIter it;
    it.iterInit(FLG, db);
    for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next())) {
        std::string n = f->flgName();
        if (!n.empty() && (n.front() == '*' || n.back() == '*')) c.patterns.push_back(n);
        c.exact.insert(std::move(n));
    }
}

}  // namespace

// The flag test of the local database for the debug traces: never waits for
// the lock (a thread that holds it gets it at once) and answers 1 / 0.
int FlagTableDebugTest(const char* name, int mode) {
    if (pShmPtr == nullptr || name == nullptr) return 0;
    // A trace never changes the caller's error record.
    SavedError keep;
    if (qdbgetlock(__FILE__, __LINE__, 0) != 0) return 0;
    int found = 0;
    if (DbMgr* db = ShmMgr::findDbMgr(nullptr, 0)) {
        RefreshDebugFlags(db);
        found = t_debugFlags.exact.count(name) != 0 ? 1 : 0;
        for (std::size_t i = 0; !found && mode != 0 && i < t_debugFlags.patterns.size(); ++i)
            found = FlagMatches(t_debugFlags.patterns[i], name, true) ? 1 : 0;
    }
    qdbrlslock(__FILE__, __LINE__);
    return found;
}

}  // namespace cfgstore

extern "C" int flg_create(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0') return hv_err(__FILE__, __LINE__, 23, 295, QDB_ARGS, "must specify new flag name");
    hv_debug(__FILE__, __LINE__, "LD.flg_create", "flg_create: destname=%s, flgname=%s\n", dest ? dest : "NULL", name);
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'H', 'a', "%s", name);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return hv_err(__FILE__, __LINE__, 23, 295, QDB_INT, "no local database");
    flg* f = flg::alloc(db);
    if (f == nullptr) return hv_err(__FILE__, __LINE__, 23, 292, QDB_INT, "no room for flag %s", name);
    if (f->create(name, 0) != 0) {
        cfgstore::SavedError keep;
        f->destroy();
        return -1;
    }
    cfgstore::CrashPoint("flag-create");
    flg::broadcastUpdate('a', name, db);
    return 0;
}

extern "C" int flg_remove(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0')
        return hv_err(__FILE__, __LINE__, 23, 296, QDB_ARGS, "must specify flag name to remove");
    hv_debug(__FILE__, __LINE__, "LD.flg_remove", "flg_remove: destname=%s, flgname=%s\n", dest ? dest : "NULL", name);
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'H', 'c', "%s", name);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    flg* f = db ? flg::find(db, name) : nullptr;
    if (f == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 297, QDB_NOEXIST, "flag \"%s\" not defined on machine \"%s\".", name,
                      pQdb_uname ? pQdb_uname : "");
    f->destroy();
    flg::broadcastUpdate('c', name, db);
    pQdb_shgp->changed[qdbshm::kChangedFlags] = 1;
    return 0;
}

extern "C" int flg_test(const char* dbsys, const char* name, int mode) {
    if (pShmPtr == nullptr) return -1;
    if (name == nullptr || *name == '\0') return hv_err(__FILE__, __LINE__, 23, 294, QDB_ARGS, "must specify flag name");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) {
        if (!IsLocalSystem(dbsys)) return hv_err(__FILE__, __LINE__, 23, 294, QDB_NOEXIST, "Unknown system: \"%s\"", dbsys);
        return -1;
    }
    DbIter it;
    it.iterInit(FLG, db);
    for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next()))
        if (cfgstore::FlagMatches(f->flgName(), name, mode != 0)) return 0;
    return 1;
}

extern "C" char** flg_list(const char* dbsys) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) {
        hv_err(__FILE__, __LINE__, 23, 295, QDB_NOEXIST, "Unknown system: \"%s\"", dbsys ? dbsys : "NULL");
        return nullptr;
    }
    return cfgstore::RecordNames<flg>(db, FLG);
}

extern "C" int flg_sync(const char* dest) {
    qdbpinit();
    hv_debug(__FILE__, __LINE__, "LD.flg_sync", "flg_sync: destname=%s\n", dest ? dest : "NULL");
    if (!IsLocalSystem(dest)) {
        if (systems::findsys(dest, nullptr) == nullptr) {
            qdberrclr();
            return hv_err(__FILE__, __LINE__, 23, 294, QDB_NOEXIST, "Unknown system: \"%s\"", dest);
        }
        return qdbsendremote(nullptr, dest, 'H', 'b', "%s", "");
    }
    if (pQdb_shgp != nullptr && pQdb_shgp->changed[qdbshm::kChangedFlags])
        hv_debug(__FILE__, __LINE__, "LD.flg_sync", "flg_sync: changed = TRUE\n");
    return cfgstore::WriteTableFile(qdbshm::kChangedFlags, "flg", &flg::getall, 283);
}
