#include "application.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "RecordLoad.h"
#include "RemovalStep.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cstring>
#include <vector>

using cfgstore::OwnerDb;

namespace {

constexpr const char* kReserved = "actions";

bool InCopy(DbMgr* db, int copy) { return copy != 0 || db == nullptr || !db->islocal(); }

}  // namespace

application* application::alloc(DbMgr* db) {
    auto* a = static_cast<application*>(cfgstore::NewRecord(db, sizeof(application), APPLIC));
    if (a != nullptr) a->name = kNullOff;
    return a;
}

void application::destroy() {
    if (!QdbPages().checkFree(this, APPLIC, "application", 48, 62)) return;
    cfgstore::ClearRecordText(&name);
    cfgstore::FreeRecord(this);
}

const char* application::appName() const { return cfgstore::RecordText(name); }

int application::create(const char* n, int copy) {
    hv_debug(__FILE__, __LINE__, "LD.application.create", "application::create: name=%s\n", n ? n : "NULL");
    DbMgr* db = OwnerDb(h);
    if (db == nullptr) return -1;
    const bool inCopy = InCopy(db, copy);
    if (n != nullptr && std::strcmp(n, kReserved) == 0) {
        if (inCopy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 839, QDB_ARGS, "Applicaton name 'actions' is reserved for Holdervane use");
    }
    if (cfgstore::CheckSubsysName("application", n) != 0) return -1;
    if (findapp(n, db, false) != nullptr) {
        if (inCopy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 839, QDB_EXIST, "already in use, application: [%s]", n);
    }
    if (cfgstore::SetRecordText(db, &name, n) != 0) return -1;
    if (!inCopy) pQdb_shgp->changed[qdbshm::kChangedApplications] = 1;
    return 0;
}

int application::remove() {
    DbMgr* db = OwnerDb(h);
    if (db == nullptr || !db->islocal()) return 0;
    const std::string n = appName();
    int rc = 0;
    if (cfgstore::RemovalStep([&] { return cfgstore::Seams().removeInstances(n.c_str(), nullptr); }) != 0) rc = -1;
    if (cfgstore::RemovalStep([&] { return hvresource::privtyp_remove(nullptr, n.c_str(), nullptr); }) != 0) rc = -1;
    if (rc != 0) return -1;
    if (cfgstore::RemoveTree(cfgstore::AppDir(n.c_str())) != 0)
        hv_err(__FILE__, __LINE__, 24, 842, "application::remove: cannot remove the directory of \"%s\"", n.c_str());
    return 0;
}

application* application::findapp(const char* n, DbMgr* db, bool report) {
    application* found = nullptr;
    if (db != nullptr && n != nullptr) {
        DbIter it;
        it.iterInit(APPLIC, db);
        for (auto* a = static_cast<application*>(it.current()); a != nullptr; a = static_cast<application*>(it.next()))
            if (std::strcmp(a->appName(), n) == 0) {
                found = a;
                break;
            }
    }
    if (found == nullptr && report) {
        const char* sys = db ? db->dbName() : nullptr;
        hv_err(__FILE__, __LINE__, 23, 843, QDB_ARGS, "application \"%s\" unknown on machine \"%s\"", n ? n : "",
               sys ? sys : "");
    }
    return found;
}

application* application::findapp(const char* n) { return findapp(n, ShmMgr::findDbMgr(nullptr, 0), true); }

int application::createmany(const char* dbsys, char* text, int copy) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 0);
    if (db == nullptr) return -1;
    return cfgstore::LoadNames<application>(db, text, kReserved, 840,
                                            [copy](application* a, const char* n) { return a->create(n, copy); });
}

int application::app_readall() {
    std::vector<char> buf(kQdbReadMax);
    if (qdbreaddirent(gps(kPathSubsystems), buf.data()) != 0) return -1;
    std::string kept = cfgstore::SafeEntries(buf.data());
    return createmany(nullptr, kept.data(), 0);
}

void application::getall(std::string& out) {
    DbIter it;
    it.iterInit(APPLIC, ShmMgr::findDbMgr(nullptr, 0));
    bool first = true;
    for (auto* a = static_cast<application*>(it.current()); a != nullptr; a = static_cast<application*>(it.next())) {
        if (!first) out += '\x01';
        out += a->appName();
        first = false;
    }
}

void application::print(std::FILE* out, int n, const char* text) {
    std::fprintf(out, "\n%s:: [%d,%s]\n", "application", n, text ? text : "");
    DbIter it;
    it.iterInit(APPLIC, ShmMgr::findDbMgr(nullptr, 0));
    const char* sep = "\t";
    for (auto* a = static_cast<application*>(it.current()); a != nullptr; a = static_cast<application*>(it.next())) {
        std::fprintf(out, "%s%s", sep, a->appName());
        sep = ", ";
    }
    std::fprintf(out, "\n");
}

void application::dbgDump(std::FILE* out, const application* a) { std::fprintf(out, "appNm=%s\n", a->appName()); }

int application::broadcastUpdate(char command, const char* n, DbMgr* db) {
    return CacheUpdateFrame::SendKeyed(db, 'C', command, n);
}

int application::updateCache(char* record) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(record, "ac", &r); rc != 0) return rc;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -10;
    int rc = 0;
    if (r.command == 'a') {
        rc = cfgstore::CreateInCopy<application>(db, [&](application* a) { return a->create(r.rest, 1); });
    } else if (application* a = findapp(r.rest, db, false)) {
        a->destroy();
    } else {
        rc = -9;
    }
    db->applyStamp(r.before, r.after);
    return rc;
}

int application::app_remthis(const char*, const char*) { return -1; }
