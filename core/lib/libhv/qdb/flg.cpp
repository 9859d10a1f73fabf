#include "flg.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cstring>
#include <vector>

using cfgstore::OwnerDb;

flg* flg::alloc(DbMgr* db) {
    auto* f = static_cast<flg*>(cfgstore::NewRecord(db, sizeof(flg), FLG));
    if (f != nullptr) f->name = kNullOff;
    return f;
}

void flg::destroy() {
    if (!QdbPages().checkFree(this, FLG, "flg", 103, 112)) return;
    cfgstore::ClearRecordText(&name);
    cfgstore::FreeRecord(this);
}

const char* flg::flgName() const { return cfgstore::RecordText(name); }

int flg::create(const char* n, int copy) {
    hv_debug(__FILE__, __LINE__, "LD.flg.create", "flg::create: flgname=%s\n", n ? n : "NULL");
    if (n == nullptr || *n == '\0' || std::strpbrk(n, "\x01\n") != nullptr)
        return hv_err(__FILE__, __LINE__, 23, 292, QDB_ARGS, "new name not specified properly");
    DbMgr* db = OwnerDb(h);
    if (db == nullptr) return -1;
    const bool local = copy == 0 && db->islocal();
    if (find(db, n) != nullptr) {
        if (local) return hv_err(__FILE__, __LINE__, 23, 293, QDB_EXIST, "name %s already in use", n);
        return -1;
    }
    if (cfgstore::SetRecordText(db, &name, n) != 0) return -1;
    if (local) pQdb_shgp->changed[qdbshm::kChangedFlags] = 1;
    return 0;
}

flg* flg::find(DbMgr* db, const char* n) {
    DbIter it;
    it.iterInit(FLG, db);
    for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next()))
        if (std::strcmp(f->flgName(), n) == 0) return f;
    return nullptr;
}

int flg::createmany(const char* dbsys, char* text, int copy) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(dbsys, -1, 1000, 0);
    if (db == nullptr) return -1;
    int rc = 0;
    char* field = nullptr;
    for (char* p = text; p != nullptr;) {
        p = qdbstrscan(p, &field, nullptr);
        if (*field == '\0') continue;
        flg* f = alloc(db);
        if (f == nullptr) return hv_err(__FILE__, __LINE__, 23, 292, QDB_INT, "no room for flag %s", field);
        if (f->create(field, copy) != 0) {
            cfgstore::SavedError keep;
            f->destroy();
            rc = -1;
        }
    }
    return rc;
}

int flg::flg_readall() { return cfgstore::LoadTableFile(gps(kPathFlagsTable), &createmany); }

void flg::getall(std::string& out) {
    DbIter it;
    it.iterInit(FLG, ShmMgr::findDbMgr(nullptr, 0));
    for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next())) {
        out += f->flgName();
        out += '\n';
    }
}

void flg::dbgDump(std::FILE* out, const flg* f) {
    const char* n = f->flgName();
    std::fprintf(out, "flgNm(0x%x)=%s  ", static_cast<unsigned>(f->name), n);
    bool ctrl = false;
    for (const char* p = n; *p; ++p) ctrl = ctrl || static_cast<unsigned char>(*p) < 0x20;
    if (ctrl)
        for (const char* p = n; *p; ++p) std::fprintf(out, "%.2x ", static_cast<unsigned char>(*p));
    std::fprintf(out, "\n");
}

int flg::broadcastUpdate(char command, const char* n, DbMgr* db) {
    return CacheUpdateFrame::SendKeyed(db, 'H', command, n);
}

int flg::updateCache(char* record) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(record, "ac", &r); rc != 0) return rc;
    if (*r.rest == '\0') return -7;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -10;
    int rc = 0;
    if (r.command == 'a') {
        flg* f = alloc(db);
        if (f == nullptr || f->create(r.rest, 1) != 0) {
            cfgstore::SavedError keep;
            if (f != nullptr) f->destroy();
            rc = -8;
        }
    } else if (flg* f = find(db, r.rest)) {
        f->destroy();
    } else {
        rc = -9;
    }
    db->applyStamp(r.before, r.after);
    return rc;
}
