// Local recovery of one failure event: the candidates (the failing resource
// and every instance above it with a recovery script for the event) are
// tried farthest first, each once; when none succeeds the failing
// hierarchy leaves service here and its shared members go to the systems
// that share them.
#include "qdbrecover.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "RecoverySets.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbkivra.h"
#include "qdbpaths.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace {

// The search state of one event, in this process's memory: other
// processes' walks cannot clear it.
struct Search {
    std::map<std::string, unsigned> distance;
    unsigned maxLength = 0;
    std::string failedTag, failedId;
};

// A class or event name that would leave the recovery directory.
bool BadName(const char* s) {
    return s == nullptr || *s == '\0' || std::strchr(s, '/') != nullptr || std::strcmp(s, ".") == 0 ||
           std::strcmp(s, "..") == 0;
}

unsigned FindFailed(const hvresource* r, const char* evclass, const char* event, const char* id, Search* s,
                    std::map<const hvresource*, unsigned>* memo) {
    if (auto it = memo->find(r); it != memo->end()) return it->second;
    unsigned d = 0;
    if (std::strcmp(r->id(), id) == 0) {
        s->failedTag = r->tag();
        s->failedId = r->id();
        d = 1;
    } else {
        unsigned m = 0;
        for (const hvresource* c : r->below()) {
            const unsigned cd = FindFailed(c, evclass, event, id, s, memo);
            if (cd != 0 && (m == 0 || cd < m)) m = cd;
        }
        d = m == 0 ? 0 : m + 1;
    }
    if (d != 0 && ::access(qdbrecover::recovery_script(r, evclass, event).c_str(), F_OK) == 0) {
        s->distance[r->tag()] = d;
        if (d > s->maxLength) s->maxLength = d;
    }
    (*memo)[r] = d;
    return d;
}

std::string Farthest(const hvresource* r, const Search& s, std::set<const hvresource*>* visited) {
    if (!visited->insert(r).second) return "";
    if (auto it = s.distance.find(r->tag()); it != s.distance.end() && it->second == s.maxLength) return r->tag();
    for (const hvresource* c : r->below())
        if (std::string t = Farthest(c, s, visited); !t.empty()) return t;
    return "";
}

// Sets the description of the instance with the identifier (state kept).
// false when it is gone.
bool Describe(const std::string& id, const std::string& text, std::string* tag = nullptr, bool unlessOsf = false) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = db ? hvresource::findres(db, nullptr, id.c_str()) : nullptr;
    if (r == nullptr) return false;
    if (tag) *tag = r->tag();
    const state st = r->get_state();
    if (st != ILLSTATE && !(unlessOsf && st == OSF)) r->privset_state(nullptr, nullptr, st, text.c_str());
    return true;
}

}  // namespace

std::string qdbrecover::recovery_script(const hvresource* r, const char* evclass, const char* event) {
    if (BadName(evclass) || BadName(event)) return std::string();
    return std::string(gps(kPathRoot)) + "/subsys/" + r->app() + "/resources/" + r->typ() + "/recovery/" + evclass +
           "/" + event;
}

std::string qdbrecover::local_recovery(const char* evclass, const char* event, const char* id, const char* args,
                                       int* result) {
    *result = 0;
    Search s;
    state st = ILLSTATE;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1, 1);
        if (db == nullptr) return "";
        std::map<const hvresource*, unsigned> memo;
        for (const hvresource* root : hvresource::listed(db)) FindFailed(root, evclass, event, id, &s, &memo);
        if (hvresource* f = hvresource::findres(db, s.failedTag.c_str(), nullptr)) st = f->get_state();
    }
    if (s.failedTag.empty()) {
        hv_err(__FILE__, __LINE__, 23, 420, QDB_NOEXIST, "no resource matches failing resource identifier \"%s\"", id);
        return "";
    }
    std::string tag = s.failedTag;
    char text[kActionTextMax];
    std::snprintf(text, sizeof text, "experienced failure event \"%s,%s\"", evclass, event);
    Describe(s.failedId, text);
    hv_err(__FILE__, __LINE__, 3, 404, "resource \"%s\" with id \"%s\" has %s\n", tag.c_str(), id, text);
    if (st == ILLSTATE || st == OSF || st == OSU) {
        hv_err(__FILE__, __LINE__, 3, 405, "resource \"%s\" was already in state \"%s\" before event ocurred\n", tag.c_str(),
               hvresource::convstate(st));
        return "";
    }
    if (st == ISU) return "";
    if (s.maxLength == 0) {
        std::snprintf(text, sizeof text, "no local recovery found for failure event \"%s,%s\"", evclass, event);
        Describe(s.failedId, text);
        hv_err(__FILE__, __LINE__, 23, 421, QDB_NOEXIST, "%s for failing resource \"%s\" with identifier \"%s\"", text,
               tag.c_str(), id);
        *result = -2;
        return tag;
    }
    std::string used;
    for (;;) {
        std::string c;
        std::string script;
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            std::set<const hvresource*> visited;
            for (const hvresource* root : hvresource::listed(db)) {
                c = Farthest(root, s, &visited);
                if (!c.empty()) break;
            }
            if (hvresource* cr = c.empty() ? nullptr : hvresource::findres(db, c.c_str(), nullptr))
                script = recovery_script(cr, evclass, event);
        }
        if (c.empty()) {
            if (s.maxLength <= 1) {
                std::snprintf(text, sizeof text, "all attempts at local recovery have failed after event \"%s,%s\"",
                              evclass, event);
                Describe(s.failedId, text);
                hv_err(__FILE__, __LINE__, 23, 396, "%s occurred to resource \"%s\"", text, tag.c_str());
                *result = -3;
                return tag;
            }
            --s.maxLength;
            continue;
        }
        std::snprintf(text, sizeof text, "attempting recovery using resource \"%s\" after failure by event \"%s,%s\"",
                      c.c_str(), evclass, event);
        Describe(s.failedId, text);
        hv_err(__FILE__, __LINE__, 6, 406, "%s on resource \"%s\"\n", text, tag.c_str());
        const std::string command = script + " " + (args ? args : "");
        const int status = run(command.c_str());
        qdberrcheck();
        if (status == 0) {
            used = c;
            break;
        }
        std::snprintf(text, sizeof text, "recovery failed after event \"%s,%s\" using recovery at resource \"%s\"",
                      evclass, event, c.c_str());
        hv_err(__FILE__, __LINE__, 3, 408, "%s on failing resource \"%s\"\n", text, tag.c_str());
        if (!Describe(s.failedId, text, &tag)) {
            *result = -4;
            return "";
        }
        s.distance[c] = 0;
    }
    std::snprintf(text, sizeof text, "recovery succeeded after event \"%s,%s\" using recovery at resource \"%s\"",
                  evclass, event, used.c_str());
    hv_err(__FILE__, __LINE__, 6, 407, "%s on failing resource \"%s\"\n", text, tag.c_str());
    Describe(s.failedId, text, nullptr, true);
    return "";
}

int qdbrecover::local_start_recovery(const char* evclass, const char* event, const char* id, const char* args) {
    std::string failing;
    {
        AUTO_QDB_LOCK(lk);
        lk.getDbMgr(nullptr, -1, 1, 1);
        qdberrcheck();
        hv_debug(__FILE__, __LINE__, "LD.recover.local_start_recovery", "local_start_recovery: clas=%s event=%s nam=%s\n",
                 evclass, event, id);
        hvresource* f = hvresource::findins(1, nullptr, id, nullptr);
        if (f == nullptr) return qdberrcheck();
        failing = f->tag();
    }
    xferlist_c list;
    for (const std::string& t : cfgstore::FailingSet(failing)) {
        if (!cfgstore::IsSharedLocal(t.c_str())) continue;
        if (list.add_to_list(t.c_str()) == 0) check_composites_to_reserve(t, list);
    }
    char buf[2000];
    const char* reslist = list.conv_list_to_string(buf);
    hv_debug(__FILE__, __LINE__, "LD.recover.local_start_recovery", "local_start_recovery: reslistp=%s\n",
             reslist ? reslist : "NULL");
    if (hvresource::reserve_resources(reslist, 'R') != 0) return qdberrcheck();
    hv_debug(__FILE__, __LINE__, "LD.recover.local_start_recovery", "local_start_recovery: DO LOCAL clas=%s event=%s nam=%s\n",
             evclass, event, id);
    list.remove_list();
    int rec = 0;
    const std::string f = local_recovery(evclass, event, id, args, &rec);
    hv_debug(__FILE__, __LINE__, "LD.recover.local_start_recovery", "local_start_recovery: recret=%d failedtag=%s", rec,
             f.empty() ? "NULL" : f.c_str());
    int r = 0;
    if (!f.empty()) {
        qdberrcheck();
        if (flg_create(nullptr, "!object.table_stale") != 0 && Qdb_errno == QDB_EXIST) qdberrclr();
        std::string descr;
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            if (hvresource* fr = db ? hvresource::findres(db, f.c_str(), nullptr) : nullptr) descr = fr->get_statedescr();
        }
        // The members still in service leave it by their remove scripts,
        // parents first, before the hierarchy is marked failed: otherwise
        // they would stay up here while the other system restores the same
        // shared resources. A failed remove is reported; the transfer goes on.
        const std::vector<std::string> members = cfgstore::FailingSet(f);
        for (const std::string& t : members)
            if (qdbkivra::qdbperfaction(nullptr, nullptr, t.c_str(), "remove", const_cast<char*>("-R"), KIVRA_ALL, 1, 0) != 0)
                qdberrcheck();
        hvresource::set_all_state(f.c_str(), OSF, descr.c_str());
        qdberrcheck();
        for (const std::string& t : members) {
            if (!cfgstore::IsSharedLocal(t.c_str())) continue;
            if (list.add_to_list(t.c_str()) == 0 && check_for_composites(t, true, list) != 0) r = -1;
        }
    }
    qdberrcheck();
    if (hvresource::clear_reservations(static_cast<long>(::getpid())) != 0) return qdberrcheck();
    if (rec != 0) {
        hv_debug(__FILE__, __LINE__, "LD.recover.local_start_recovery", "local_start_recovery: DO INTER clas=%s event=%s nam=%s\n",
                 evclass, event, id);
        r = local_intermachine_recovery(list);
    }
    qdberrcheck();
    const int post = qdbkivra::qdbglobact(1, "restore", nullptr);
    list.remove_list();
    return post != 0 ? -1 : r;
}
