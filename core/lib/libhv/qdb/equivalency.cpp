#include "equivalency.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

using cfgstore::RecordText;

void* equivalency::operator new(std::size_t size, DbMgr& db) noexcept {
    return db.mem().getFreeElem(static_cast<std::int32_t>(size), EQUIV, nullptr);
}

void equivalency::operator delete(void* p) {
    if (p == nullptr || !QdbPages().checkFree(p, EQUIV, "equivalency", 282, 283)) return;
    cfgstore::FreeRecord(p);
}

void equivalency::operator delete(void* p, DbMgr&) { operator delete(p); }

equivalency::equivalency() {
    sys1 = tag1 = sys2 = tag2 = kNullOff;
    eqvTyp = ILLEQV;
    loc_only = 0;
}

equivalency::~equivalency() {
    for (ShmOff* s : {&sys1, &tag1, &sys2, &tag2}) cfgstore::ClearRecordText(s);
}

const char* equivalency::s1() const { return RecordText(sys1); }
const char* equivalency::t1() const { return RecordText(tag1); }
const char* equivalency::s2() const { return RecordText(sys2); }
const char* equivalency::t2() const { return RecordText(tag2); }

int equivalency::setkeys(const char* a, const char* b, const char* c, const char* d, eqvtype type) {
    DbMgr* db = cfgstore::OwnerDb(h);
    if (db == nullptr) return -1;
    if (cfgstore::SetRecordText(db, &sys1, a) != 0 || cfgstore::SetRecordText(db, &tag1, b) != 0 ||
        cfgstore::SetRecordText(db, &sys2, c) != 0 || cfgstore::SetRecordText(db, &tag2, d) != 0)
        return hv_err(__FILE__, __LINE__, 23, 273, QDB_INT, "no room in the database for an equivalency of \"%s\"", b);
    if (type != ILLEQV) eqvTyp = type;
    if (db->islocal()) pQdb_shgp->changed[qdbshm::kChangedEquivalencies] = 1;
    return 0;
}

const char* equivalency::convtype(eqvtype type) {
    switch (type) {
    case ILLEQV: return "ILLEQV";
    case SHARED: return "SHARED";
    case COMPOSITE: return "COMPOSITE";
    case COMMON: return "COMMON";
    default: return "UNKEQV";
    }
}

namespace {

bool Given(const char* s) { return s != nullptr && *s != '\0'; }
bool Same(const char* field, const char* want) { return !Given(want) || std::strcmp(field, want) == 0; }

}  // namespace

bool equivalency::is_a_match(const char* sys, const char* tag, eqvtype type) const {
    if (type != ILLEQV && type != 0 && type != eqvTyp) return false;
    return (Same(s1(), sys) && Same(t1(), tag)) || (Same(s2(), sys) && Same(t2(), tag));
}

void equivalency::fmtrec(std::string& out) const {
    out += s1();
    out += '\x01';
    out += t1();
    out += '\x01';
    out += s2();
    out += '\x01';
    out += t2();
    out += '\x01';
    out += static_cast<char>(eqvTyp ? eqvTyp : ILLEQV);
    out += '\n';
}

std::vector<equivalency*> equivalency::all(DbMgr* db) {
    std::vector<equivalency*> out;
    if (db == nullptr) return out;
    DbIter it;
    it.iterInit(EQUIV, db);
    for (auto* e = static_cast<equivalency*>(it.current()); e != nullptr; e = static_cast<equivalency*>(it.next()))
        out.push_back(e);
    return out;
}

equivalency* equivalency::findeqv(DbMgr* db, const char* a, const char* b, const char* c, const char* d, eqvtype type) {
    for (equivalency* e : all(db))
        if (Same(e->s1(), a) && Same(e->t1(), b) && Same(e->s2(), c) && Same(e->t2(), d) &&
            (type == ILLEQV || type == 0 || e->eqvTyp == type))
            return e;
    return nullptr;
}

equivalency* equivalency::is_shared(const char* sys, const char* tag) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (equivalency* e = findeqv(db, sys, tag, nullptr, nullptr, SHARED)) return e;
    return findeqv(db, nullptr, nullptr, sys, tag, SHARED);
}

void equivalency::getall(DbMgr* db, std::string& out) {
    for (equivalency* e : all(db)) e->fmtrec(out);
}

int equivalency::createmany(const char* system, char* lines, int flag) {
    const bool local = cfgstore::IsLocalSystem(system);
    int rc = 0;
    for (char* line = lines; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* next = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        const bool blank = *line == '\0';
        char* f[5];
        char* p = line;
        for (char*& x : f) p = qdbstrscan(p, &x, nullptr);
        line = next;
        if (*f[1] == '\0' && *f[3] == '\0' && blank) continue;
        if (*f[1] == '\0' || *f[3] == '\0' || std::strlen(f[4]) != 1) {
            // A record cut short is refused aloud, not dropped unseen.
            rc = hv_err(__FILE__, __LINE__, 23, 851, QDB_ARGS, "equivalency record without its tags and type");
            continue;
        }
        const eqvtype type = static_cast<unsigned char>(*f[4]);
        if (flag != 0 && local) {
            if (privcreate(nullptr, f[0], f[1], f[2], f[3], type, 0) != 0) rc = -1;
            continue;
        }
        // The start-up load and a copy's load store the records as they are.
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(local ? nullptr : system, -1, 1000, 0);
        if (db == nullptr) return -1;
        auto* e = new (*db) equivalency();
        if (e == nullptr || e->setkeys(f[0], f[1], f[2], f[3], type) != 0) {
            cfgstore::SavedError keep;
            delete e;
            rc = -1;
        }
    }
    return rc;
}

int equivalency::eqv_readall() {
    // eqv_sync writes the whole table however long it is: the file is read
    // whole too, up to what the segment could ever hold.
    struct stat st {};
    const std::string path = std::string(cfgstore::RootDir()) + "/" + gps(kPathEquivalenciesTable);
    std::size_t size = kQdbReadMax;
    if (::stat(path.c_str(), &st) == 0 && st.st_size >= static_cast<off_t>(size) &&
        st.st_size < static_cast<off_t>(pQdb_shmmaxsiz))
        size = static_cast<std::size_t>(st.st_size) + 1;
    std::vector<char> buf(size);
    const int n = cfgstore::ReadTableFile(gps(kPathEquivalenciesTable), buf.data(), buf.size());
    if (n < 0) return -1;
    cfgstore::LoadTableLines(gps(kPathEquivalenciesTable), buf.data(), static_cast<std::size_t>(n),
                             [](char* line) { return createmany(nullptr, line, 0); });
    return 0;
}

int equivalency::eqv_remthis(const char*, const char*) { return -1; }

int equivalency::broadcastUpdate(char command, const char* a, const char* b, const char* c, const char* d, eqvtype type,
                                 DbMgr* db) {
    if (db == nullptr) return -1;
    if (command != 'a' && command != 'c') return -2;
    const char letters[2] = {command, '\0'};
    const std::string key = std::string(a) + '\x01' + b + '\x01' + c + '\x01' + d + '\x01' + static_cast<char>(type);
    return CacheUpdateFrame::Send(db, 'G', letters, key.c_str(), nullptr);
}

int equivalency::updateCache(char* text) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(text, "ac", &r); rc != 0) return rc;
    char* f[5];
    char* p = r.rest;
    for (int i = 0; i < 4; ++i) {
        char* sep = p ? std::strchr(p, '\x01') : nullptr;
        if (sep == nullptr) return -7;
        *sep = '\0';
        f[i] = p;
        p = sep + 1;
    }
    f[4] = p;
    if (std::strlen(f[4]) != 1 || *f[1] == '\0' || *f[3] == '\0') return -8;
    const eqvtype type = static_cast<unsigned char>(*f[4]);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -12;
    int rc = 0;
    if (r.command == 'a') {
        auto* e = findeqv(db, f[0], f[1], f[2], f[3], type) ? nullptr : new (*db) equivalency();
        cfgstore::SavedError keep;
        if (e == nullptr || e->setkeys(f[0], f[1], f[2], f[3], type) != 0) {
            delete e;
            rc = -9;
        }
    } else {
        while (equivalency* e = findeqv(db, f[0], f[1], f[2], f[3], type)) delete e;
    }
    db->applyStamp(r.before, r.after);
    return rc;
}

void equivalency::print(int n, const char* text) const {
    std::printf("\n%s:: [%d,%s]\n", "equivalency", n, text ? text : "");
    for (equivalency* e : all(cfgstore::OwnerDb(h)))
        std::printf("\t%-9.9s primary(%s,%s) secondary(%s,%s)\n", convtype(e->eqvTyp), e->s1(), e->t1(), e->s2(),
                    e->t2());
}

void equivalency::dbgDump() const {
    std::printf("sys1=%s, tag1=%s, sys2=%s, tag2=%s, eqvTyp=%c, loc_only=%d\n", s1(), t1(), s2(), t2(),
                static_cast<char>(eqvTyp), loc_only);
}

namespace cfgstore {

bool SharedPartner(const char* system, const char* tag, bool asPrimary, EquivalencySide* other) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    equivalency* e = asPrimary ? equivalency::findeqv(db, system, tag, nullptr, nullptr, SHARED)
                               : equivalency::findeqv(db, nullptr, nullptr, system, tag, SHARED);
    if (e == nullptr) return false;
    *other = asPrimary ? EquivalencySide{e->s2(), e->t2()} : EquivalencySide{e->s1(), e->t1()};
    return true;
}

void CommonPartners(const char* system, const char* tag, std::vector<EquivalencySide>* out) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    for (equivalency* e : equivalency::all(db)) {
        if (e->eqvTyp != COMMON) continue;
        if (std::strcmp(e->s1(), system) == 0 && std::strcmp(e->t1(), tag) == 0)
            out->push_back({e->s2(), e->t2()});
        else if (std::strcmp(e->s2(), system) == 0 && std::strcmp(e->t2(), tag) == 0)
            out->push_back({e->s1(), e->t1()});
    }
}

void SharedEquivalencies(std::vector<SharedEquivalency>* out) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    for (equivalency* e : equivalency::all(db))
        if (e->eqvTyp == SHARED) out->push_back({e->s1(), e->t1(), e->s2(), e->t2()});
}

int MakeShared(const SharedEquivalency& e) {
    return eqv_create(nullptr, e.primarySystem.c_str(), e.primaryTag.c_str(), e.secondarySystem.c_str(),
                      e.secondaryTag.c_str(), SHARED);
}

}  // namespace cfgstore
