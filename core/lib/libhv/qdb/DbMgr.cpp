#include "DbMgr.h"

#include "qdbpaths.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "qdberr.h"

#include <cstring>
#include <ctime>

using namespace qdbshm;

MemMgr DbMgr::manager() {
    ShmPages pages = QdbPages();
    return MemMgr(pages, &pages.header()->usedList, 0);
}

DbMgr* DbMgr::create(const char* dbName, std::int32_t pages) {
    MemMgr mgr = manager();
    auto* db = static_cast<DbMgr*>(mgr.getFreeElem(sizeof(DbMgr), DBMGR, nullptr));
    if (db == nullptr) return nullptr;
    db->pageChain = -1;
    db->tStamp = QdbDbTime{0, 0};
    db->loading = 0;
    db->name = kNullOff;
    db->roots = kNullOff;
    db->pageChain = QdbPages().givePages(pages);
    if (dbName != nullptr && ShmStr::create(mgr, dbName, &db->name) == nullptr) {
        QdbPages().returnPages(db->pageChain);
        mgr.putFreeElem(db);
        return nullptr;
    }
    const char* local = pQdb_uname;
    if (dbName != nullptr && local != nullptr && std::strcmp(dbName, local) == 0)
        db->tStamp = QdbDbTime{static_cast<std::uint32_t>(std::time(nullptr)), 0};
    return db;
}

int DbMgr::destroy(DbMgr* db) {
    ShmPages pages = QdbPages();
    if (!pages.checkFree(db, DBMGR, "dbmgr", 682, 683)) return -1;
    hv_debug(__FILE__, __LINE__, "LD.dbmgr.destruct", "DbMgr::~DbMgr(): ENTER");
    pages.returnPages(db->pageChain);
    db->pageChain = -1;
    if (auto* s = const_cast<ShmStr*>(ShmStrAt(db->name))) ShmStr::destroy(s);
    db->name = kNullOff;
    return manager().putFreeElem(db) < 0 ? -1 : 0;
}

const char* DbMgr::dbName() const {
    const ShmStr* s = ShmStrAt(name);
    return s ? s->str() : nullptr;
}

bool DbMgr::islocal() const {
    const char* n = dbName();
    const char* local = pQdb_uname;
    return n == nullptr || (local != nullptr && std::strcmp(n, local) == 0);
}

int DbMgr::applyStamp(const QdbDbTime& before, const QdbDbTime& after) {
    if (!tStamp.valid()) return -1;
    if (tStamp == before) {
        tStamp = after;
        return 0;
    }
    tStamp = QdbDbTime{0, 0};
    return -1;
}

void DbMgr::dbgDump(std::FILE* out) const {
    const char* n = dbName();
    std::fprintf(out, "\tdbName=%s", n ? n : "(none)");
    std::fprintf(out, "\tdest=%s", islocal() ? "local" : "cached");
    std::fprintf(out, "\n    Pp:");
    auto* self = const_cast<DbMgr*>(this);
    self->mem().pgList(out);
    char when[32] = "none";
    if (tStamp.valid()) {
        std::time_t t = tStamp.secs;
        std::tm tmv {};
        ::gmtime_r(&t, &tmv);
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &tmv);
    }
    std::string text = tStamp.text();
    for (char& c : text)
        if (c == '\x01') c = '.';
    std::fprintf(out, "    roots=0x%x, tStamp=%s==>%s\n", static_cast<unsigned>(roots), text.c_str(), when);
}
