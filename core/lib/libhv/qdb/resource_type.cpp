#include "resource_type.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "RecordLoad.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "application.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cstring>
#include <vector>

using cfgstore::OwnerDb;

namespace {

bool InCopy(DbMgr* db, int copy) { return copy != 0 || db == nullptr || !db->islocal(); }

}  // namespace

resource_type* resource_type::alloc(DbMgr* db) {
    auto* t = static_cast<resource_type*>(cfgstore::NewRecord(db, sizeof(resource_type), RESTYPE));
    if (t != nullptr) {
        t->appName = kNullOff;
        t->typName = kNullOff;
        t->inschanged = 0;
    }
    return t;
}

void resource_type::destroy() {
    if (!QdbPages().checkFree(this, RESTYPE, "resource_type", 734, 737)) return;
    cfgstore::ClearRecordText(&appName);
    cfgstore::ClearRecordText(&typName);
    cfgstore::FreeRecord(this);
}

const char* resource_type::app() const { return cfgstore::RecordText(appName); }
const char* resource_type::typ() const { return cfgstore::RecordText(typName); }

int resource_type::create(const char* a, const char* t, int copy) {
    hv_debug(__FILE__, __LINE__, "LD.resource_type.create", "resource_type::create: app=%s typ=%s\n", a ? a : "NULL",
             t ? t : "NULL");
    DbMgr* db = OwnerDb(h);
    if (db == nullptr) return -1;
    const bool inCopy = InCopy(db, copy);
    if (cfgstore::CheckSubsysName("application", a) != 0 || cfgstore::CheckSubsysName("resource type", t) != 0)
        return -1;
    if (!inCopy && application::findapp(a, db, true) == nullptr) return -1;
    if (find(db, a, t) != nullptr) {
        if (inCopy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 1049, QDB_EXIST, "already in use, resource_type: [%s] [%s]", a, t);
    }
    if (cfgstore::SetRecordText(db, &appName, a) != 0 || cfgstore::SetRecordText(db, &typName, t) != 0) return -1;
    if (!inCopy) pQdb_shgp->changed[qdbshm::kChangedResTypes] = 1;
    return 0;
}

resource_type* resource_type::find(DbMgr* db, const char* a, const char* t) {
    if (db == nullptr || a == nullptr || t == nullptr) return nullptr;
    DbIter it;
    it.iterInit(RESTYPE, db);
    for (auto* r = static_cast<resource_type*>(it.current()); r != nullptr; r = static_cast<resource_type*>(it.next()))
        if (std::strcmp(r->app(), a) == 0 && std::strcmp(r->typ(), t) == 0) return r;
    return nullptr;
}

resource_type* resource_type::findtyp(const char* a, const char* t, DbMgr* db) {
    if (db == nullptr) db = ShmMgr::findDbMgr(nullptr, 0);
    resource_type* r = find(db, a, t);
    if (r == nullptr) {
        const char* sys = db ? db->dbName() : nullptr;
        hv_err(__FILE__, __LINE__, 23, 1056, QDB_ARGS,
               "resource type \"%s\" for application \"%s\" is not found on machine \"%s\"", t ? t : "", a ? a : "",
               sys ? sys : "");
    }
    return r;
}

int resource_type::createmany(const char* dbsys, const char* a, char* text, int copy) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 0);
    if (db == nullptr) return -1;
    return cfgstore::LoadNames<resource_type>(db, text, nullptr, 1049,
                                              [a, copy](resource_type* t, const char* n) { return t->create(a, n, copy); });
}

int resource_type::typ_readall() {
    std::vector<std::string> apps;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        DbIter it;
        it.iterInit(APPLIC, db);
        for (auto* a = static_cast<application*>(it.current()); a != nullptr; a = static_cast<application*>(it.next()))
            apps.emplace_back(a->appName());
    }
    int rc = 0;
    std::vector<char> buf(kQdbReadMax);
    for (const std::string& a : apps) {
        char dir[600];
        std::snprintf(dir, sizeof dir, gps(kPathResourceTypes), a.c_str());
        if (qdbreaddirent(dir, buf.data()) != 0) {
            rc = -1;
            continue;
        }
        std::string kept = cfgstore::SafeEntries(buf.data());
        if (createmany(nullptr, a.c_str(), kept.data(), 0) != 0) rc = -1;
    }
    return rc;
}

void resource_type::getall(std::string& out) {
    DbMgr* db = ShmMgr::findDbMgr(nullptr, 0);
    DbIter ai;
    ai.iterInit(APPLIC, db);
    for (auto* a = static_cast<application*>(ai.current()); a != nullptr; a = static_cast<application*>(ai.next())) {
        out += a->appName();
        DbIter ti;
        ti.iterInit(RESTYPE, db);
        for (auto* t = static_cast<resource_type*>(ti.current()); t != nullptr; t = static_cast<resource_type*>(ti.next()))
            if (std::strcmp(t->app(), a->appName()) == 0) {
                out += '\x01';
                out += t->typ();
            }
        out += '\n';
    }
}

int resource_type::loadall(const char* dbsys, char* text, int copy) {
    int rc = 0;
    for (char* line = text; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* next = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        char* a = nullptr;
        char* rest = qdbstrscan(line, &a, nullptr);
        if (*a != '\0' && rest != nullptr && createmany(dbsys, a, rest, copy) != 0) rc = -1;
        line = next;
    }
    return rc;
}

void resource_type::print(std::FILE* out, int n, const char* text) {
    std::fprintf(out, "\n%s:: [%d,%s]\n", "resource_type", n, text ? text : "");
    DbIter it;
    it.iterInit(RESTYPE, ShmMgr::findDbMgr(nullptr, 0));
    for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next()))
        dbgDump(out, t);
}

void resource_type::dbgDump(std::FILE* out, const resource_type* t) {
    std::fprintf(out, "appOwner=%s, resTypNm=%s, inschanged=%d\n", t->app(), t->typ(), t->inschanged);
}

int resource_type::broadcastUpdate(char command, const char* key, DbMgr* db) {
    return CacheUpdateFrame::SendKeyed(db, 'D', command, key);
}

int resource_type::updateCache(char* record) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(record, "ac", &r); rc != 0) return rc;
    char* sep = std::strchr(r.rest, '\x01');
    if (sep == nullptr) return -7;
    *sep = '\0';
    const char* a = r.rest;
    const char* t = sep + 1;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -10;
    int rc = 0;
    if (r.command == 'a') {
        rc = cfgstore::CreateInCopy<resource_type>(db, [&](resource_type* rec) { return rec->create(a, t, 1); });
    } else {
        // An empty type removes every type of the application.
        std::vector<resource_type*> gone;
        DbIter it;
        it.iterInit(RESTYPE, db);
        for (auto* x = static_cast<resource_type*>(it.current()); x != nullptr; x = static_cast<resource_type*>(it.next()))
            if (std::strcmp(x->app(), a) == 0 && (*t == '\0' || std::strcmp(x->typ(), t) == 0)) gone.push_back(x);
        for (resource_type* x : gone) x->destroy();
        if (gone.empty()) rc = -9;
    }
    db->applyStamp(r.before, r.after);
    return rc;
}

int resource_type::typ_remthis(const char*, const char*) { return -1; }
