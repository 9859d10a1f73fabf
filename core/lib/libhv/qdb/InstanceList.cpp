// Listing instances (ins_list), the tag of an identifier (ins_gettag) and
// the daemon's answers to other systems' instance queries.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "dependency.h"
#include "elist.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "resource_set.h"
#include "InstanceInterface.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using cfgstore::IsLocalSystem;

namespace {

const char* Text(const char* s) { return s ? s : ""; }
bool Given(const char* s) { return s != nullptr && *s != '\0'; }

const char* ReservationText(qdbresrv_t r) {
    switch (r) {
    case QDBRESRV_NONE: return "";
    case 'F': return "FSAUDIT";
    case 'D': return "DVAUDIT";
    case 'M': return "REMOVE";
    case 'S': return "RESTORE";
    case 'R': return "RECOVER";
    default: return "?";
    }
}

void ListRecord(const hvresource* r, char sep, std::string& out) {
    for (const char* f : {r->sys(), r->app(), r->typ(), r->tag(), r->id(), r->info(), hvresource::convstate(r->get_state()),
                          r->get_statedescr(), hvresource::convinit(r->get_inittype()), ReservationText(r->get_resrvtype())}) {
        out += f;
        out += sep;
    }
    out += std::to_string(r->get_resrvpid());
    out += sep;
    out += std::to_string(r->get_resrvpgid());
    out += sep;
    elist::getevents(&r->eventsOff, out);
}

}  // namespace

extern "C" char** ins_list(const char* system, const char* start, const char* app, const char* typ, const char* tag,
                           const char* id, char sep) {
    qdbpinit();
    if (sep == 0) sep = '\x01';
    if (Given(tag) && Given(id)) {
        hv_err(__FILE__, __LINE__, 23, 945, QDB_ARGS, "can't set both tag and identifier at same time");
        return nullptr;
    }
    if (Given(app) && (Given(tag) || Given(id))) {
        hv_err(__FILE__, __LINE__, 23, 946, QDB_ARGS, "can't set application when tag or id is set");
        return nullptr;
    }
    if (Given(typ) && (Given(tag) || Given(id))) {
        hv_err(__FILE__, __LINE__, 23, 947, QDB_ARGS, "can't set resource type when tag or id is set");
        return nullptr;
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = cfgstore::SystemDb(lk, system, 948);
    if (db == nullptr) return nullptr;
    resource_set set(db);
    if (set.set_start(start) != 0) return nullptr;
    std::vector<std::string> recs;
    const int n = set.size();
    for (int i = 0; i < n; ++i) {
        hvresource* r = set[i];
        if ((Given(tag) && std::strcmp(r->tag(), tag) != 0) || (Given(id) && std::strcmp(r->id(), id) != 0) ||
            (Given(app) && std::strcmp(r->app(), app) != 0) || (Given(typ) && std::strcmp(r->typ(), typ) != 0))
            continue;
        if (recs.size() == static_cast<std::size_t>(kDepListMax)) {
            // The list ends here; the caller gets what fits and code 6.
            hv_err(__FILE__, __LINE__, 23, 868, QDB_RANGE, "number of list elements has exceeded %d\n", kDepListMax);
            break;
        }
        recs.emplace_back();
        ListRecord(r, sep, recs.back());
    }
    if (recs.empty()) {
        if (Given(id))
            hv_err(__FILE__, __LINE__, 23, 948, QDB_NOEXIST, "no matching resource instance with identifier \"%s\"", id);
        else if (Given(tag))
            hv_err(__FILE__, __LINE__, 23, 949, QDB_NOEXIST, "no matching resource instance with tag \"%s\"", tag);
        else if (Given(app) && Given(typ))
            hv_err(__FILE__, __LINE__, 23, 950, QDB_NOEXIST,
                   "no matching resource instance for application \"%s\" and resource type \"%s\"", app, typ);
        else if (Given(app))
            hv_err(__FILE__, __LINE__, 23, 951, QDB_NOEXIST, "no matching resource instance for application \"%s\"", app);
        else if (Given(typ))
            hv_err(__FILE__, __LINE__, 23, 952, QDB_NOEXIST, "no matching resource instance for resource type \"%s\"", typ);
        else
            hv_err(__FILE__, __LINE__, 23, 953, QDB_NOEXIST, "no resource instances are defined");
        return nullptr;
    }
    return cfgstore::NameList(cfgstore::Texts(recs));
}

extern "C" const char* ins_gettag(const char* system, const char* id) {
    qdbpinit();
    // One text per thread: the consoles ask from several threads at once.
    thread_local std::string tag;
    AUTO_QDB_LOCK(lk);
    hvresource* r = hvresource::findins(1, nullptr, id, IsLocalSystem(system) ? nullptr : system);
    if (r == nullptr) return nullptr;
    tag = r->tag();
    return tag.c_str();
}

namespace {

// The local database for a daemon's answer, or null with the error set.
DbMgr* LocalDb(AutoQdbLock& lk) {
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) hv_err(__FILE__, __LINE__, 23, 948, QDB_NOEXIST, "System not found: \"%s\"", Text(pQdb_uname));
    return db;
}

int Reply(const MessagePtr& request, int rc, const std::string& text) {
    if (rc == 0 && qdbsendret(request, "%s", text.c_str()) == 0) return 0;
    if (Qdb_errno == 0) hv_err(__FILE__, __LINE__, 23, 954, QDB_INT, "reply could not be sent");
    qdbsenderr(request);
    return -1;
}

// "tag\x01app\x01typ" split in place.
void Split3(char* text, const char** f) {
    char* p = text;
    for (int i = 0; i < 3; ++i) p = qdbstrscan(p, const_cast<char**>(&f[i]), nullptr);
}

void UpperLine(const hvresource* up, const hvresource* below, std::string& out) {
    char head[64];
    out += up->tag();
    out += '\x01';
    out += up->id();
    out += '\x01';
    out += static_cast<char>(up->get_inittype());
    out += '\x01';
    out += up->info();
    out += '\x01';
    out += static_cast<char>(up->get_state());
    out += '\x01';
    out += up->get_statedescr();
    std::snprintf(head, sizeof head, "\x01%c\x01%d\x01%d\x01", static_cast<char>(up->get_resrvtype()), up->get_resrvpid(),
                  up->get_resrvpgid());
    out += head;
    elist::getevents(&up->eventsOff, out);
    out += '\x01';
    out += below->tag();
    out += '\n';
}

int Parents(const MessagePtr& request, char* text, bool allTheWay) {
    const char* f[3];
    Split3(text, f);
    if (!Given(f[0])) {
        hv_err(__FILE__, __LINE__, 23, 954, QDB_ARGS, "must specify tag to get parents");
        return Reply(request, -1, "");
    }
    std::string out;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = LocalDb(lk);
        if (db == nullptr) return Reply(request, -1, "");
        std::unordered_map<hvresource*, std::vector<hvresource*>> parents;
        for (hvresource* r : cfgstore::AllInstances(db))
            for (hvresource* b : r->below()) parents[b].push_back(r);
        hvresource* self = hvresource::findres(db, f[0], nullptr);
        std::unordered_set<hvresource*> seen;
        std::vector<hvresource*> todo;
        if (self != nullptr) todo.push_back(self);
        while (!todo.empty()) {
            hvresource* x = todo.back();
            todo.pop_back();
            if (!seen.insert(x).second) continue;
            for (hvresource* up : parents[x]) {
                if ((!Given(f[1]) || std::strcmp(up->app(), f[1]) == 0) && (!Given(f[2]) || std::strcmp(up->typ(), f[2]) == 0))
                    UpperLine(up, x, out);
                if (allTheWay) todo.push_back(up);
            }
        }
    }
    return Reply(request, 0, out);
}

}  // namespace

int res_getall(const MessagePtr& request, char* text) {
    std::string out;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = LocalDb(lk);
        if (db == nullptr) return Reply(request, -1, "");
        resource_set set(db);
        if (set.set_start(text) != 0) return Reply(request, -1, "");
        const int n = set.size();
        for (int i = 0; i < n; ++i) set[i]->getrec(out, true);
    }
    return Reply(request, 0, out);
}

int res_getrec(const MessagePtr& request, char* text) {
    const char* f[3];
    Split3(text, f);
    std::string out;
    {
        AUTO_QDB_LOCK(lk);
        hvresource* r = hvresource::findins(1, const_cast<char*>(f[0]), f[1], nullptr);
        if (r == nullptr) return Reply(request, -1, "");
        r->getrec(out, true);
    }
    return Reply(request, 0, out);
}

int res_getpar(const MessagePtr& request, char* text) { return Parents(request, text, false); }
int res_getallpar(const MessagePtr& request, char* text) { return Parents(request, text, true); }
