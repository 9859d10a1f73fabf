// The equivalency C functions and the checked creation and removal behind
// them.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "equivalency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>
#include <string>
#include <vector>

using cfgstore::IsLocalSystem;

namespace {

const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s != nullptr && *s != '\0'; }
const char* OrNull(const char* s) { return Given(s) ? s : nullptr; }
const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// A failure of the other side that the caller tolerates (codes listed) is
// cleared when no error was pending before; -1 for any other.
int Tolerated(int rc, int before, std::initializer_list<int> codes) {
    if (rc == 0) return 0;
    for (int c : codes)
        if (Qdb_errno == c) {
            if (before == 0) qdberrclr();
            return 0;
        }
    return -1;
}

struct Removed {
    std::string s1, t1, s2, t2;
    eqvtype type;
    int locOnly;
};

// What follows a removed record outside the lock: the COMPOSITE partners
// of a SHARED one, and the other side's record unless this one was made
// for it or the removal came from it.
int AfterRemoval(const Removed& r, int fromOtherSide) {
    int rc = 0;
    if (r.type == SHARED) {
        for (const std::string* t : {&r.t1, &r.t2}) {
            const std::string& s = t == &r.t1 ? r.s1 : r.s2;
            if (!IsLocalSystem(s.c_str())) continue;
            const int before = Qdb_errno;
            if (Tolerated(eqv_remove(nullptr, Local(), t->c_str(), COMPOSITE, nullptr, nullptr), before,
                          {QDB_NOEXIST, QDB_MES}) != 0)
                rc = -1;
        }
    }
    if (r.locOnly || fromOtherSide) return rc;
    for (const std::string* s : {&r.s1, &r.s2}) {
        if (IsLocalSystem(s->c_str()) || (s == &r.s2 && r.s2 == r.s1)) continue;
        const int before = Qdb_errno;
        const int sent = qdbsendremote(nullptr, s->c_str(), 'G', 'c', "%s\x01%s\x01%s\x01%s\x01%c\x01y", r.s1.c_str(),
                                       r.t1.c_str(), r.s2.c_str(), r.t2.c_str(), static_cast<char>(r.type));
        if (Tolerated(sent, before, {QDB_NOEXIST, QDB_MES}) != 0) rc = -1;
    }
    return rc;
}

}  // namespace

int equivalency::privcreate(const char* dest, const char* a, const char* b, const char* c, const char* d, eqvtype type,
                            int propagate) {
    hv_debug(__FILE__, __LINE__, "eqv.privcreate", "ENTER\n");
    if (!Given(b)) return hv_err(__FILE__, __LINE__, 23, 264, QDB_ARGS, "first tag is NULL or zero length");
    if (!Given(d)) return hv_err(__FILE__, __LINE__, 23, 265, QDB_ARGS, "second tag is NULL or zero length");
    if (type == ILLEQV) return hv_err(__FILE__, __LINE__, 23, 266, QDB_ARGS, "equivalency type may not be ILLEQV");
    if (type != SHARED && type != COMMON && type != COMPOSITE)
        return hv_err(__FILE__, __LINE__, 23, 266, QDB_ARGS, "equivalency type '%c' is unknown", static_cast<char>(type));
    const std::string s1 = Given(a) ? a : Local();
    const std::string s2 = Given(c) ? c : Local();
    // The names become fields of the table line.
    for (const char* x : {s1.c_str(), b, s2.c_str(), d})
        if (testspace(__FILE__, __LINE__, x)) return -1;
    if (s1 == s2 && std::strcmp(b, d) == 0)
        return hv_err(__FILE__, __LINE__, 23, 266, QDB_ARGS, "both resources of the equivalency are the same");
    const char* tname = convtype(type);
    if (!IsLocalSystem(dest)) {
        {
            AUTO_QDB_LOCK(lk);
            if (findeqv(lk.getDbMgr(nullptr, -1, 1000, 0), s1.c_str(), b, s2.c_str(), d, type) != nullptr)
                return hv_err(__FILE__, __LINE__, 23, 272, QDB_EXIST,
                              "a \"%s\" equivalency between \"%s\",\"%s\" and \"%s\",\"%s\" already exists", tname,
                              s1.c_str(), b, s2.c_str(), d);
        }
        return qdbsendremote(nullptr, dest, 'G', 'a', "%s\x01%s\x01%s\x01%s\x01%c", s1.c_str(), b, s2.c_str(), d,
                             static_cast<char>(type));
    }
    hv_debug(__FILE__, __LINE__, "eqv.privcreate", "s1=%s, t1=%s, s2=%s, t2=%s, eqv=%s\n", s1.c_str(), b, s2.c_str(), d,
             tname);
    const bool local1 = IsLocalSystem(s1.c_str()), local2 = IsLocalSystem(s2.c_str());
    if (type == COMPOSITE) {
        if (!local1)
            return hv_err(__FILE__, __LINE__, 23, 268, QDB_ARGS, "resource \"%s\" cannot be remote for a \"%s\" equivalency",
                          b, tname);
        if (!local2)
            return hv_err(__FILE__, __LINE__, 23, 269, QDB_ARGS, "resource \"%s\" cannot be remote for a \"%s\" equivalency",
                          d, tname);
    } else if (local1 && local2) {
        return hv_err(__FILE__, __LINE__, 23, 270, QDB_ARGS, "a \"%s\" equivalency must have one remote resource", tname);
    } else if (!local1 && !local2) {
        return hv_err(__FILE__, __LINE__, 23, 271, QDB_ARGS, "both resources of a \"%s\" equivalency must not be remote",
                      tname);
    }
    std::string localState, localDescr;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        if (findeqv(db, s1.c_str(), b, s2.c_str(), d, type) != nullptr)
            return hv_err(__FILE__, __LINE__, 23, 273, QDB_EXIST,
                          "a \"%s\" equivalency between \"%s\",\"%s\" and \"%s\",\"%s\" already exists", tname, s1.c_str(),
                          b, s2.c_str(), d);
        if (type != SHARED && findeqv(db, s2.c_str(), d, s1.c_str(), b, type) != nullptr)
            return hv_err(__FILE__, __LINE__, 23, 272, QDB_EXIST,
                          "a \"%s\" equivalency between \"%s\",\"%s\" and \"%s\",\"%s\" already exists", tname, s2.c_str(),
                          d, s1.c_str(), b);
        if (type == COMPOSITE) {
            hv_debug(__FILE__, __LINE__, "eqv.privcreate", "composite check\n");
            if (is_shared(s1.c_str(), b) == nullptr)
                return hv_err(__FILE__, __LINE__, 23, 274, QDB_ARGS, "\"%s\", \"%s\" is not a shared resource", s1.c_str(), b);
            if (is_shared(s2.c_str(), d) == nullptr)
                return hv_err(__FILE__, __LINE__, 23, 275, QDB_ARGS, "\"%s\", \"%s\" is not a shared resource", s2.c_str(), d);
        }
        for (const char* t : {local1 ? b : nullptr, local2 ? d : nullptr}) {
            if (t == nullptr) continue;
            hvresource* r = hvresource::findins(1, const_cast<char*>(t), nullptr, nullptr);
            if (r == nullptr) return -1;
            localState = std::string(1, static_cast<char>(r->get_state()));
            localDescr = r->get_statedescr();
        }
    }
    if (propagate && type != COMPOSITE) {
        // Sent without the lock: the other daemon may look at this system.
        const std::string& remote = local1 ? s2 : s1;
        const std::string remoteTag = local1 ? d : b;
        const std::string localTag = local1 ? b : d;
        hv_debug(__FILE__, __LINE__, "eqv.privcreate", "do remote create %s on %s\n", tname, remote.c_str());
        const int before = Qdb_errno;
        if (Tolerated(qdbsendremote(nullptr, remote.c_str(), 'G', 'a', "%s\x01%s\x01%s\x01%s\x01%c\x01y", s1.c_str(), b,
                                    s2.c_str(), d, static_cast<char>(type)),
                      before, {QDB_EXIST}) != 0)
            return -1;
        hv_debug(__FILE__, __LINE__, "eqv.privcreate", "remote create %s done on %s\n", tname, remote.c_str());
        // The other copy takes this one's state.
        if (type == COMMON && qdbsendremote(nullptr, remote.c_str(), 'E', 'f', "C%c%s\x01%s\x01%s\x01%s",
                                            localState[0], remoteTag.c_str(), localDescr.c_str(), Local(),
                                            localTag.c_str()) != 0)
            return -1;
    }
    hv_debug(__FILE__, __LINE__, "eqv.privcreate", "do local create\n");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    auto* e = new (*db) equivalency();
    if (e == nullptr) return hv_err(__FILE__, __LINE__, 23, 273, QDB_INT, "no room for an equivalency of \"%s\"", b);
    if (e->setkeys(s1.c_str(), b, s2.c_str(), d, type) != 0) {
        cfgstore::SavedError keep;
        delete e;
        return -1;
    }
    e->loc_only = propagate ? 0 : 1;
    broadcastUpdate('a', s1.c_str(), b, s2.c_str(), d, type, db);
    return 0;
}

int equivalency::priveqv_remove(const char* dest, const char* sys, const char* tag, eqvtype type, const char* sys2,
                                const char* tag2, int fromOtherSide) {
    if (type == 0) type = ILLEQV;
    if (!IsLocalSystem(dest))
        return qdbsendremote(nullptr, dest, 'G', 'c', "%s\x01%s\x01%s\x01%s\x01%c", Text(sys), Text(tag), Text(sys2),
                             Text(tag2), static_cast<char>(type));
    sys = OrNull(sys), tag = OrNull(tag), sys2 = OrNull(sys2), tag2 = OrNull(tag2);
    const bool both = sys2 != nullptr || tag2 != nullptr;
    std::vector<Removed> gone;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        for (equivalency* e : all(db)) {
            if (!e->is_a_match(sys, tag, type) || (both && !e->is_a_match(sys2, tag2, type))) continue;
            gone.push_back({e->s1(), e->t1(), e->s2(), e->t2(), e->eqvTyp, e->loc_only});
            delete e;
            pQdb_shgp->changed[qdbshm::kChangedEquivalencies] = 1;
            const Removed& r = gone.back();
            broadcastUpdate('c', r.s1.c_str(), r.t1.c_str(), r.s2.c_str(), r.t2.c_str(), r.type, db);
        }
    }
    if (gone.empty()) {
        const char* tname = type == ILLEQV ? "" : convtype(type);
        if (!both)
            return hv_err(__FILE__, __LINE__, 23, 277, QDB_NOEXIST,
                          "no match for removing equivalencies using system \"%s\" and tag \"%s\" and equivalency type \"%s\"",
                          Text(sys), Text(tag), tname);
        return hv_err(__FILE__, __LINE__, 23, 278, QDB_NOEXIST,
                      "no match for removing equivalencies using \"%s\",\"%s\" and \"%s\",\"%s\" and equivalency type \"%s\"",
                      Text(sys), Text(tag), Text(sys2), Text(tag2), tname);
    }
    int rc = 0;
    for (const Removed& r : gone)
        if (AfterRemoval(r, fromOtherSide) != 0) rc = -1;
    return rc;
}

extern "C" int eqv_create(const char* dest, const char* s1, const char* t1, const char* s2, const char* t2, int type) {
    qdbpinit();
    return equivalency::privcreate(dest, s1, t1, s2, t2, type, 1);
}

extern "C" int eqv_remove(const char* dest, const char* sys, const char* tag, int type, const char* sys2,
                          const char* tag2) {
    qdbpinit();
    return equivalency::priveqv_remove(dest, sys, tag, type, sys2, tag2, 0);
}

extern "C" char** eqv_list(const char* system, const char* sys, const char* tag, int type, char sep) {
    qdbpinit();
    if (sep == 0) sep = '\x01';
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(system) ? nullptr : system, -1, 1000, 1);
    if (db == nullptr) {
        hv_err(__FILE__, __LINE__, 23, 276, QDB_NOEXIST, "no matches to node \"%s\"\n", Text(system));
        return nullptr;
    }
    std::vector<std::string> recs;
    for (equivalency* e : equivalency::all(db))
        if (e->is_a_match(OrNull(sys), OrNull(tag), type))
            recs.push_back(std::string(e->s1()) + sep + e->t1() + sep + e->s2() + sep + e->t2() + sep +
                           equivalency::convtype(e->eqvTyp));
    if (recs.empty()) {
        hv_err(__FILE__, __LINE__, 23, 276, QDB_NOEXIST,
               "no matches to system \"%s\", tag \"%s\" and equivalency type \"%s\"", Given(sys) ? sys : "(NULL)",
               Given(tag) ? tag : "(NULL)", type == 0 || type == ILLEQV ? "(NULL)" : equivalency::convtype(type));
        return nullptr;
    }
    return cfgstore::NameList(cfgstore::Texts(recs));
}

extern "C" int eqv_sync(const char* dest) {
    qdbpinit();
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'G', 'b', "%s", "");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    // A file nothing changed stays as it is (records refused at start-up
    // included).
    if (!pQdb_shgp->changed[qdbshm::kChangedEquivalencies]) return 0;
    // The text grows with the table: no record is cut off.
    std::string text;
    equivalency::getall(db, text);
    if (qdbwritefile(gps(kPathConfigDir), "equivalencies", static_cast<int>(text.size()), text.c_str()) != 0) return -1;
    pQdb_shgp->changed[qdbshm::kChangedEquivalencies] = 0;
    return 0;
}
