#include "hvresource.h"

#include "AutoQdbLock.h"
#include "CrashPoint.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "elist.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "resource_type.h"

#include <cstdio>
#include <cstring>
#include <unordered_set>

using cfgstore::OwnerDb;
using cfgstore::RecordText;

namespace {

// Most nodes a list of the segment can have: the bound of every walk.
std::int32_t MaxNodes() {
    return QdbPages().pagesAllocated() * (qdbshm::kPageData / static_cast<std::int32_t>(sizeof(ShmList)));
}

hvresource* InstanceAt(ShmOff off) {
    auto* r = QdbPages().at<hvresource>(off);
    return r != nullptr && r->h.tag == RESOURCE ? r : nullptr;
}

int MarkIndex(char which) {
    switch (which) {
    case 'i': return 0;
    case 'r': return 1;
    case 'v': return 2;
    case 'l': return 3;
    case 'f': return 4;
    case 'd': return 5;
    default: return -1;
    }
}

// Calls fn on every body of the list at head, in order; the walk stops at
// a node that is no list node or after more nodes than the segment holds.
template <class Fn>
void ForEachBody(ShmOff head, Fn fn) {
    std::int32_t steps = 0;
    for (ShmOff off = head; off >= 0 && ++steps <= MaxNodes();) {
        auto* n = QdbPages().at<ShmList>(off);
        if (n == nullptr || n->h.tag != LIST) {
            hv_err(__FILE__, __LINE__, 21, 284, "Database corrupted-loop in page list\n");
            return;
        }
        fn(n->body);
        off = n->next;
    }
}

}  // namespace

void* hvresource::operator new(std::size_t size, DbMgr& db) noexcept {
    return db.mem().getFreeElem(static_cast<std::int32_t>(size), RESOURCE, nullptr);
}

void hvresource::operator delete(void* p) {
    if (p == nullptr || !QdbPages().checkFree(p, RESOURCE, "hvresource", 862, 865)) return;
    cfgstore::FreeRecord(p);
}

void hvresource::operator delete(void* p, DbMgr&) { operator delete(p); }

hvresource::hvresource() {
    tagOff = appOff = typOff = idOff = infoOff = descrOff = kNullOff;
    typeRecOff = depsOff = kNullOff;
    initresource();
    marks[0] = 0;
    pad[0] = pad[1] = 0;
}

hvresource::~hvresource() {
    for (ShmOff* s : {&tagOff, &appOff, &typOff, &idOff, &infoOff, &descrOff}) cfgstore::ClearRecordText(s);
}

void hvresource::initresource() {
    resstate = ILLSTATE;
    inittype = ILLINIT;
    resrvtype = QDBRESRV_NONE;
    resrvpid = resrvpgid = 0;
    eventsOff = kNullOff;
    scratch1 = scratch2 = 0;
    for (int i = 1; i < 6; ++i) marks[i] = 0;
}

DbMgr* hvresource::owner() const { return OwnerDb(h); }

const char* hvresource::sys() const {
    DbMgr* db = owner();
    const char* n = db ? db->dbName() : nullptr;
    return n ? n : "";
}
const char* hvresource::tag() const { return RecordText(tagOff); }
const char* hvresource::app() const { return RecordText(appOff); }
const char* hvresource::typ() const { return RecordText(typOff); }
const char* hvresource::id() const { return RecordText(idOff); }
const char* hvresource::info() const { return RecordText(infoOff); }
const char* hvresource::get_statedescr() const { return RecordText(descrOff); }
elist* hvresource::get_events_posted() const { return QdbPages().at<elist>(eventsOff); }

const char* hvresource::convstate(state s) {
    switch (s) {
    case ILLSTATE: return "ILLSTATE";
    case OSU: return "OSU";
    case OSF: return "OSF";
    case ISU: return "ISU";
    case ISP: return "ISP";
    default: return "UNKSTATE";
    }
}

const char* hvresource::convinit(init_type i) {
    switch (i) {
    case ILLINIT: return "ILLINIT";
    case SEC_ISP: return "SEC_ISP";
    case AUTOSEC_ISP: return "AUTOSEC_ISP";
    case AUTORES_ISP: return "AUTORES_ISP";
    case INIT_ISP: return "INIT_ISP";
    case INIT_OSU: return "INIT_OSU";
    default: return "UNKINIT";
    }
}

void hvresource::changed() {
    DbMgr* db = owner();
    if (db == nullptr || !db->islocal()) return;
    if (auto* t = QdbPages().at<resource_type>(typeRecOff); t != nullptr && t->h.tag == RESTYPE) t->inschanged = 1;
    pQdb_shgp->changed[qdbshm::kChangedInstances] = 1;
}

int hvresource::create(char*, const char* a, const char* t, init_type init, char* tg, const char* ident,
                       const char* inf, int remReq) {
    hv_debug(__FILE__, __LINE__, "LD.hvresource.create", "hvresource::create: tag=%s id=%s\n", tg ? tg : "NULL",
             ident ? ident : "NULL");
    if (init == ILLINIT) return hv_err(__FILE__, __LINE__, 23, 925, QDB_ARGS, "can't set init state to ILLINIT");
    if (!IsInitType(init)) return hv_err(__FILE__, __LINE__, 23, 925, QDB_ARGS, "init type '%c' is not defined", init);
    if (a == nullptr || *a == '\0')
        return hv_err(__FILE__, __LINE__, 23, 926, QDB_ARGS, "application name argument illegal");
    if (t == nullptr || *t == '\0')
        return hv_err(__FILE__, __LINE__, 23, 927, QDB_ARGS, "resource type name argument illegal");
    if (tg == nullptr || *tg == '\0') return hv_err(__FILE__, __LINE__, 23, 928, QDB_ARGS, "tag argument illegal");
    if (ident == nullptr || *ident == '\0')
        return hv_err(__FILE__, __LINE__, 23, 929, QDB_ARGS, "identifier argument illegal");
    if (testspace(__FILE__, __LINE__, tg) || testctrl(__FILE__, __LINE__, ident)) return -1;
    // The info is a field of the table line: a newline or a separator byte
    // in it would split the line.
    if (inf == nullptr) inf = "";
    if (testctrl(__FILE__, __LINE__, inf)) return -1;
    DbMgr* db = owner();
    if (db == nullptr) return hv_err(__FILE__, __LINE__, 23, 929, QDB_INT, "instance outside every database");
    const bool copy = remReq != 0 || !db->islocal();
    if (hvresource* other = findres(db, tg, nullptr)) {
        if (copy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 930, QDB_EXIST, "resource with tag \"%s\" already exists with identifier \"%s\"",
                      tg, other->id());
    }
    if (hvresource* other = findres(db, nullptr, ident)) {
        if (copy) return -1;
        return hv_err(__FILE__, __LINE__, 23, 931, QDB_EXIST, "resource with identifier \"%s\" already exists with tag \"%s\"",
                      ident, other->tag());
    }
    resource_type* type = resource_type::findtyp(a, t, db);
    if (type == nullptr) return -1;
    // The list node first: without it nothing of the instance is stored.
    ShmList* node = ShmList::create(db, tg, this);
    cfgstore::CrashPoint("instance-create");
    bool stored = node != nullptr;
    stored = stored && cfgstore::SetRecordText(db, &tagOff, tg) == 0;
    stored = stored && cfgstore::SetRecordText(db, &appOff, a) == 0;
    stored = stored && cfgstore::SetRecordText(db, &typOff, t) == 0;
    stored = stored && cfgstore::SetRecordText(db, &idOff, ident) == 0;
    stored = stored && cfgstore::SetRecordText(db, &infoOff, inf) == 0;
    if (!stored || node->insert(&db->roots) != 0) {
        if (node != nullptr) ShmList::destroy(node);
        for (ShmOff* s : {&tagOff, &appOff, &typOff, &idOff, &infoOff}) cfgstore::ClearRecordText(s);
        return hv_err(__FILE__, __LINE__, 23, 929, QDB_INT, "no room in the database for resource \"%s\"", tg);
    }
    typeRecOff = QdbPages().offOf(type);
    inittype = init;
    resstate = OSU;
    if (!copy) changed();
    return 0;
}

int hvresource::set_id(const char* ident) {
    if (!created()) return hv_err(__FILE__, __LINE__, 23, 902, QDB_ARGS, "must define object first with ::create()");
    if (testctrl(__FILE__, __LINE__, ident)) return -1;
    DbMgr* db = owner();
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 903, QDB_ARGS, "resource \"%s\" is on remote machine. Use 'ins_setid()", tag());
    if (ident == nullptr || *ident == '\0')
        return hv_err(__FILE__, __LINE__, 23, 929, QDB_ARGS, "identifier argument illegal");
    if (hvresource* other = findres(db, nullptr, ident); other != nullptr && other != this)
        return hv_err(__FILE__, __LINE__, 23, 903, QDB_ARGS, "id \"%s\" already is use by resource \"%s\"", ident,
                      other->tag());
    if (cfgstore::SetRecordText(db, &idOff, ident) != 0)
        return hv_err(__FILE__, __LINE__, 23, 903, QDB_INT, "no room for the identifier of \"%s\"", tag());
    changed();
    broadcastUpdate('f', 'I', db, tag(), nullptr, nullptr, ident, nullptr, inittype, resstate, nullptr);
    return 0;
}

int hvresource::set_info(const char* inf) {
    if (!created())
        return hv_err(__FILE__, __LINE__, 23, 915, QDB_ARGS, "must define object first with ::create() or ::fill()");
    if (inf == nullptr) inf = "";
    if (std::strchr(inf, '\x01') != nullptr)
        return hv_err(__FILE__, __LINE__, 23, 916, QDB_ARGS, "\"%s\" may not contain ^A character", inf);
    if (testctrl(__FILE__, __LINE__, inf)) return -1;
    DbMgr* db = owner();
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 921, QDB_ARGS,
                      "resource \"%s\" is on the remote system. Use 'ins_setinfo() function to set its info field", tag());
    if (cfgstore::SetRecordText(db, &infoOff, inf) != 0)
        return hv_err(__FILE__, __LINE__, 23, 916, QDB_INT, "no room for the info of \"%s\"", tag());
    changed();
    broadcastUpdate('f', 'f', db, tag(), nullptr, nullptr, nullptr, inf, inittype, resstate, nullptr);
    return 0;
}

int hvresource::set_inittype(init_type init) {
    if (init == ILLINIT) return hv_err(__FILE__, __LINE__, 23, 917, QDB_ARGS, "can't set resource init type to ILLINIT");
    if (!IsInitType(init))
        return hv_err(__FILE__, __LINE__, 23, 917, QDB_ARGS, "init type '%c' is not defined", init);
    if (!created())
        return hv_err(__FILE__, __LINE__, 23, 918, QDB_ARGS, "must define object first with ::create() or ::fill()");
    DbMgr* db = owner();
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 921, QDB_ARGS,
                      "resource \"%s\" is on the remote system. Use 'ins_setinit() function to set its init type", tag());
    inittype = init;
    changed();
    broadcastUpdate('f', 'i', db, tag(), nullptr, nullptr, nullptr, nullptr, init, resstate, nullptr);
    return 0;
}

std::vector<hvresource*> hvresource::listed(DbMgr* db) {
    std::vector<hvresource*> out;
    if (db == nullptr) return out;
    ForEachBody(db->roots, [&](ShmOff body) {
        if (hvresource* r = InstanceAt(body)) out.push_back(r);
    });
    return out;
}

std::vector<hvresource*> hvresource::below() const {
    std::vector<hvresource*> out;
    ForEachBody(depsOff, [&](ShmOff body) {
        if (hvresource* r = cfgstore::Seams().dependencyLower(body)) out.push_back(r);
    });
    return out;
}

std::uint8_t hvresource::mark(char which) const {
    if (which == 'D') return marks[5] && marks[1];
    const int i = MarkIndex(which);
    return i < 0 ? 0 : marks[i];
}

void hvresource::setmark(char which, std::uint8_t value) {
    if (which == 'D') {
        marks[5] = marks[1] = value;
        return;
    }
    if (const int i = MarkIndex(which); i >= 0) marks[i] = value;
}

namespace {

// Calls fn on r and everything below it, each instance once.
template <class Fn>
void WalkDown(hvresource* r, std::unordered_set<hvresource*>& seen, Fn fn) {
    if (r == nullptr || !seen.insert(r).second) return;
    fn(r);
    for (hvresource* b : r->below()) WalkDown(b, seen, fn);
}

}  // namespace

void hvresource::clearamark(char which, std::uint8_t value) {
    std::unordered_set<hvresource*> seen;
    WalkDown(this, seen, [&](hvresource* r) { r->setmark(which, value); });
}

void hvresource::clear_a_mark(char which, std::uint8_t value) {
    std::unordered_set<hvresource*> seen;
    for (hvresource* r : listed(ShmMgr::findDbMgr(nullptr, 0)))
        WalkDown(r, seen, [&](hvresource* x) { x->setmark(which, value); });
}

void hvresource::clearmark() { clearamark('v', 0); }

void hvresource::clearmarks() {
    std::unordered_set<hvresource*> seen;
    WalkDown(this, seen, [](hvresource* r) {
        r->setmark('v', 0);
        r->scratch1 = 0;
    });
}

void hvresource::clearmark(ShmOff list) {
    ForEachBody(list, [](ShmOff body) {
        if (hvresource* r = InstanceAt(body)) r->clearmark();
    });
}

void hvresource::clearmarks(ShmOff list) {
    ForEachBody(list, [](ShmOff body) {
        if (hvresource* r = InstanceAt(body)) r->clearmarks();
    });
}

namespace {

// Depth first from r, each instance once (its 'f' mark), the tag matched
// before the identifier.
hvresource* FindBelow(hvresource* r, const char* tg, const char* ident) {
    if (r == nullptr || r->mark('f')) return nullptr;
    r->setmark('f', 1);
    if ((tg != nullptr && std::strcmp(r->tag(), tg) == 0) || (ident != nullptr && std::strcmp(r->id(), ident) == 0))
        return r;
    for (hvresource* b : r->below())
        if (hvresource* x = FindBelow(b, tg, ident)) return x;
    return nullptr;
}

}  // namespace

hvresource* hvresource::findres(DbMgr* db, const char* tg, const char* ident) {
    if (db == nullptr) return nullptr;
    if (tg != nullptr && *tg == '\0') tg = nullptr;
    if (ident != nullptr && *ident == '\0') ident = nullptr;
    if (tg == nullptr && ident == nullptr) return nullptr;
    // Tags and identifiers are unique: one key has one match, found among
    // the database's instance records (the instance list holds only the
    // roots of the hierarchies; a record not yet created has no tag or
    // identifier and matches nothing).
    if (tg == nullptr || ident == nullptr) {
        DbIter it;
        it.iterInit(RESOURCE, db);
        for (auto* r = static_cast<hvresource*>(it.current()); r != nullptr; r = static_cast<hvresource*>(it.next()))
            if (tg != nullptr ? std::strcmp(r->tag(), tg) == 0 : std::strcmp(r->id(), ident) == 0) return r;
        return nullptr;
    }
    // Every instance of the database is below some listed one: clearing
    // the mark on all of them clears it on every hierarchy.
    DbIter it;
    it.iterInit(RESOURCE, db);
    for (auto* r = static_cast<hvresource*>(it.current()); r != nullptr; r = static_cast<hvresource*>(it.next()))
        r->setmark('f', 0);
    hvresource* found = nullptr;
    ForEachBody(db->roots, [&](ShmOff body) {
        if (found == nullptr) found = FindBelow(InstanceAt(body), tg, ident);
    });
    return found;
}

hvresource* hvresource::findins(int prmes, char* tg, const char* ident, const char* system) {
    const bool byTag = tg != nullptr && *tg != '\0';
    const bool byId = ident != nullptr && *ident != '\0';
    if (!byTag && !byId) {
        if (prmes) hv_err(__FILE__, __LINE__, 23, 892, QDB_ARGS, "findins: both tag and id can't be NULL");
        return nullptr;
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(system) ? nullptr : system, -1, 1000, 1);
    if (db == nullptr) {
        hv_err(__FILE__, __LINE__, 23, 893, QDB_NOEXIST, "System not found: \"%s\"", system ? system : "");
        return nullptr;
    }
    hvresource* r = findres(db, tg, ident);
    if (r == nullptr && prmes) {
        if (byTag && byId)
            hv_err(__FILE__, __LINE__, 23, 893, QDB_NOEXIST,
                   "no resource instance has either a tag \"%s\" or an identifier \"%s\"", tg, ident);
        else if (byTag)
            hv_err(__FILE__, __LINE__, 23, 894, QDB_NOEXIST, "no resource instance has tag \"%s\"", tg);
        else
            hv_err(__FILE__, __LINE__, 23, 895, QDB_NOEXIST, "no resource instance has identifier \"%s\"", ident);
    }
    return r;
}

void hvresource::printres(int depth) const {
    std::printf("\t%*s%s %s=\"%s\" (%s,%s) %s\n", depth * 2, "", tag(), "id", id(), convstate(resstate),
                convinit(inittype), typ());
    if (*info()) std::printf("\tinfo=%s\n", info());
    if (*get_statedescr()) std::printf("\treason=%s\n", get_statedescr());
}

void hvresource::printtree() const {
    std::printf("\n\t*** RESOURCE TREE WITH FOLLOWING RESOURCE AS ROOT:\n");
    struct Rec {
        static void Go(const hvresource* r, int depth, std::unordered_set<const hvresource*>& seen) {
            if (!seen.insert(r).second) return;
            r->printres(depth);
            for (const hvresource* b : r->below()) Go(b, depth + 1, seen);
        }
    };
    std::unordered_set<const hvresource*> seen;
    Rec::Go(this, 0, seen);
}

void hvresource::print(int n, const char* text) const {
    std::printf("\n%s:: [%d,%s]: DIRECTED ACYCLIC GRAPH\n", "hvresource", n, text ? text : "");
    printtree();
}

void hvresource::dbgDump() const {
    std::printf("resNm=%s, appNm=%s, typNm=%s, ident=%s, info=%s, reason=%s\n", tag(), app(), typ(), id(), info(),
                get_statedescr());
    std::printf("\ttype=0x%x, dependencies=0x%x\n", static_cast<unsigned>(typeRecOff), static_cast<unsigned>(depsOff));
}

int hvresource::ins_remthis(const char*, const char*) { return -1; }
