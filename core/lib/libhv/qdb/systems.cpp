#include "systems.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <atomic>
#include <cstring>
#include <vector>

using cfgstore::OwnerDb;

namespace {

char** NoEquivalencies(const char*, const char*) {
    Qdb_errno = QDB_NOEXIST;
    return nullptr;
}

std::atomic<cfgstore::EquivalencyLister> g_equivalencies{NoEquivalencies};

bool CopyOf(DbMgr* db, int copy) { return copy != 0 || db == nullptr || !db->islocal(); }

void MarkChanged() { pQdb_shgp->changed[qdbshm::kChangedSystems] = 1; }

// A name that may go into the table file, records and event command lines.
bool NameOk(const char* n) {
    if (n == nullptr || *n == '\0') return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(n); *p; ++p)
        if (*p <= ' ' || *p == 0x7F) return false;
    return true;
}

}  // namespace

void cfgstore::SetSystemTableSeams(EquivalencyLister equivalencies) {
    g_equivalencies.store(equivalencies ? equivalencies : NoEquivalencies);
}

systems* systems::alloc(DbMgr* db) {
    auto* s = static_cast<systems*>(cfgstore::NewRecord(db, sizeof(systems), SYSTEM));
    if (s != nullptr) {
        s->name = kNullOff;
        s->description = kNullOff;
        s->state = 'U';
    }
    return s;
}

void systems::destroy() {
    if (!QdbPages().checkFree(this, SYSTEM, "systems", 103, 112)) return;
    cfgstore::ClearRecordText(&name);
    cfgstore::ClearRecordText(&description);
    cfgstore::FreeRecord(this);
}

const char* systems::sysName() const { return cfgstore::RecordText(name); }
const char* systems::get_state_descr() const { return cfgstore::RecordText(description); }

const char* systems::convtype(sys_state s) {
    switch (s) {
    case '0': return "ILLSYS";
    case 'A': return "ALIVE";
    case 'D': return "DEAD";
    case 'U': return "UNKNOWN";
    default: return "UNKSTATE";
    }
}

systems* systems::find(DbMgr* db, const char* n) {
    if (db == nullptr || n == nullptr) return nullptr;
    DbIter it;
    it.iterInit(SYSTEM, db);
    for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next()))
        if (std::strcmp(s->sysName(), n) == 0) return s;
    return nullptr;
}

int systems::create(const char* n, int copy) {
    DbMgr* db = OwnerDb(h);
    if (db == nullptr) return -1;
    const bool inCopy = CopyOf(db, copy);
    if (!NameOk(n))
        return hv_err(__FILE__, __LINE__, 23, 426, QDB_ARGS,
                      "system name \"%s\" may not be empty or hold white space or control characters", n ? n : "");
    if (find(db, n) != nullptr) {
        if (inCopy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 423, QDB_EXIST, "already in use, systems: [%s]", n);
    }
    if (cfgstore::SetRecordText(db, &name, n) != 0) return -1;
    if (inCopy) return 0;
    if (!cfgstore::IsLocalSystem(n) && ShmMgr::findDbMgr(n, 0) == nullptr &&
        DbMgr::create(n, qdbshm::kLocalDbPages) == nullptr) {
        cfgstore::ClearRecordText(&name);
        return hv_err(__FILE__, __LINE__, 23, 423, QDB_INT, "no room for the cached database of system %s", n);
    }
    MarkChanged();
    return 0;
}

int systems::remove() {
    // A copy: removing the paths lets the lock go while the manager answers.
    const std::string name = sysName();
    const char* n = name.c_str();
    if (*n == '\0') return -1;
    if (cfgstore::IsLocalSystem(n))
        return hv_err(__FILE__, __LINE__, 23, 424, QDB_ARGS, "can't remove entry for local system \"%s\"", n);
    if (char** eqv = g_equivalencies.load()(pQdb_uname, n)) {
        qdbfreeit(eqv);
        return hv_err(__FILE__, __LINE__, 23, 425, QDB_INT, "Can't remove system '%s' with equivalencies active", n);
    }
    if (Qdb_errno == QDB_NOEXIST) qdberrclr();
    if (net_remove(pQdb_uname, n, nullptr) != 0) {
        if (Qdb_errno != QDB_NOEXIST) return -1;
        qdberrclr();
    }
    ShmMgr::delDbMgr(n);
    MarkChanged();
    return 0;
}

int systems::set_state(sys_state s, const char* descr) {
    if (s == '0') return hv_err(__FILE__, __LINE__, 23, 425, QDB_ARGS, "can't set system state to ILLSYS");
    DbMgr* db = OwnerDb(h);
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 425, QDB_ARGS,
                      "can't set system state for cached database; use 'sys_setstate()");
    if (testctrl(__FILE__, __LINE__, descr)) return -1;
    const char* n = sysName();
    const bool local = cfgstore::IsLocalSystem(n);
    if (local && s == 'D') return hv_err(__FILE__, __LINE__, 23, 425, QDB_ARGS, "Can't set local system to DEAD state");
    state = s;
    if (cfgstore::SetRecordText(db, &description, descr) != 0)
        return hv_err(__FILE__, __LINE__, 23, 425, QDB_INT, "no room for the description of system %s", n);
    broadcastUpdate('f', n, db, s, descr ? descr : "");
    MarkChanged();
    if (s == 'D' && !local) {
        // Its copy is stale from now on: loaded again (emptied first) when
        // used. Its records stay until then as the last states seen of the
        // dead system, which the machine restore reads to take back the
        // primaries that had failed over to it.
        if (DbMgr* copy = ShmMgr::findDbMgr(n, 0); copy != nullptr && !copy->islocal()) copy->tStamp = QdbDbTime{0, 0};
    }
    return 0;
}

systems* systems::findsys(const char* n, const char* dbsys) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    systems* s = find(db, n);
    if (s == nullptr)
        hv_err(__FILE__, __LINE__, 23, kMsgSystemUnknown, QDB_ARGS, "system \"%s\" unknown on machine \"%s\"",
               n ? n : "<NULL>", cfgstore::IsLocalSystem(dbsys) ? (pQdb_uname ? pQdb_uname : "") : dbsys);
    return s;
}

int systems::createmany(const char* dbsys, char* text, int copy) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 0);
    if (db == nullptr) return -1;
    const bool inCopy = CopyOf(db, copy);
    int rc = 0;
    for (char* line = text; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* nextLine = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        char *n = nullptr, *st = nullptr, *descr = nullptr;
        char* p = qdbstrscan(line, &n, nullptr);
        p = qdbstrscan(p, &st, nullptr);
        qdbstrscan(p, &descr, nullptr);
        line = nextLine;
        if (*n == '\0') continue;
        systems* s = alloc(db);
        if (s == nullptr) return hv_err(__FILE__, __LINE__, 23, 423, QDB_INT, "no room for system %s", n);
        if (s->create(n, copy) != 0) {
            cfgstore::SavedError keep;
            s->destroy();
            rc = -1;
            continue;
        }
        if (inCopy) {
            s->state = *st ? *st : 'U';
            if (*descr) cfgstore::SetRecordText(db, &s->description, descr);
        } else {
            s->state = cfgstore::IsLocalSystem(n) ? 'A' : 'D';
        }
    }
    return rc;
}

int systems::sys_readall() { return cfgstore::LoadTableFile(gps(kPathSystemsTable), &createmany); }

void systems::getall(std::string& out) {
    DbIter it;
    it.iterInit(SYSTEM, ShmMgr::findDbMgr(nullptr, 0));
    for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next())) {
        out += s->sysName();
        out += '\x01';
        out += static_cast<char>(s->state);
        out += '\x01';
        out += s->get_state_descr();
        out += '\n';
    }
}

bool systems::getrec(const char* n, std::string& out) {
    const systems* s = find(ShmMgr::findDbMgr(nullptr, 0), n);
    if (s == nullptr) return false;
    out += static_cast<char>(s->state);
    out += s->get_state_descr();
    return true;
}

void systems::print(std::FILE* out, int n, const char* text) {
    std::fprintf(out, "\n%s:: [%d,%s]\n", "systems", n, text ? text : "");
    DbIter it;
    it.iterInit(SYSTEM, ShmMgr::findDbMgr(nullptr, 0));
    for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next())) dbgDump(out, s);
}

void systems::dbgDump(std::FILE* out, const systems* s) {
    std::fprintf(out, "  %-15s(%s:%s)\n", s->sysName(), convtype(s->state), s->get_state_descr());
}

int systems::broadcastUpdate(char command, const char* n, DbMgr* db, sys_state s, const char* descr) {
    if (db == nullptr) return -1;
    if (command != 'a' && command != 'c' && command != 'f') return -2;
    const char letters[2] = {command, '\0'};
    std::string body;
    if (command == 'f') {
        body += static_cast<char>(s);
        body += descr ? descr : "";
    }
    return CacheUpdateFrame::Send(db, 'A', letters, n, command == 'f' ? body.c_str() : nullptr);
}

int systems::updateCache(char* record) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(record, "acf", &r); rc != 0) return rc;
    char* body = nullptr;
    if (r.command == 'f') {
        char* sep = std::strchr(r.rest, '\x01');
        if (sep == nullptr) return -7;
        *sep = '\0';
        body = sep + 1;
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -12;
    int rc = 0;
    if (r.command == 'a') {
        const int before = Qdb_errno;
        systems* s = alloc(db);
        if (s == nullptr) {
            rc = -9;
        } else if (s->create(r.rest, 1) != 0) {
            s->destroy();
            if (before == 0) qdberrclr();
            rc = -8;
        }
    } else if (systems* s = find(db, r.rest); s == nullptr) {
        rc = r.command == 'c' ? -10 : -11;
    } else if (r.command == 'c') {
        s->destroy();
    } else {
        s->state = *body ? static_cast<unsigned char>(*body) : 'U';
        if (testctrl(nullptr, 0, *body ? body + 1 : body) == 0)
            cfgstore::SetRecordText(db, &s->description, *body ? body + 1 : body);
        else
            qdberrclr();
    }
    db->applyStamp(r.before, r.after);
    return rc;
}
