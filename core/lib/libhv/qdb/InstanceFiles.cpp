// The table-file line of an instance, loading lines into a database, the
// start-up load of every type's instances file and writing those files.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "TypeInstanceFiles.h"
#include "elist.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "resource_type.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

namespace {

// A decimal field of a line; 0 when it is not a number in range.
std::int32_t Decimal(const char* text) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<std::int32_t>(v);
}

bool TraceLines() {
    struct stat st {};
    const std::string marker = std::string(cfgstore::RootDir()) + "/tmp/CREATEMANY";
    return ::stat(marker.c_str(), &st) == 0;
}

// The instances of db in the walk order of the files: every listed
// instance followed depth first by those below it, each once.
void WalkOrder(DbMgr* db, std::vector<hvresource*>* out) {
    std::unordered_set<hvresource*> seen;
    struct Rec {
        static void Go(hvresource* r, std::unordered_set<hvresource*>& seen, std::vector<hvresource*>* out) {
            if (!seen.insert(r).second) return;
            out->push_back(r);
            for (hvresource* b : r->below()) Go(b, seen, out);
        }
    };
    for (hvresource* r : hvresource::listed(db)) Rec::Go(r, seen, out);
}

}  // namespace

void hvresource::getrec(std::string& out, bool withAppTyp) const {
    if (withAppTyp) {
        out += app();
        out += '\x01';
        out += typ();
        out += '\x01';
    }
    out += tag();
    out += '\x01';
    out += id();
    out += '\x01';
    out += static_cast<char>(inittype);
    out += '\x01';
    out += info();
    out += '\x01';
    out += static_cast<char>(resstate);
    out += '\x01';
    out += get_statedescr();
    out += '\x01';
    out += static_cast<char>(resrvtype);
    out += '\x01';
    out += std::to_string(resrvpid);
    out += '\x01';
    out += std::to_string(resrvpgid);
    out += '\x01';
    elist::getevents(&eventsOff, out);
    for (hvresource* b : below()) {
        out += '\x01';
        out += b->tag();
    }
    out += '\n';
}

int hvresource::createmany(char* dbname, const char* a, const char* t, resource_type*, char* lines, int remote) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbname) ? nullptr : dbname, -1, 1000, 0);
    if (db == nullptr) return -1;
    const bool withAppTyp = a == nullptr && t == nullptr;
    const bool trace = TraceLines();
    int rc = 0;
    for (char* line = lines; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* next = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        char* f[12];
        char* p = line;
        const int first = withAppTyp ? 0 : 2;
        f[0] = const_cast<char*>(a ? a : "");
        f[1] = const_cast<char*>(t ? t : "");
        for (int i = first; i < 12; ++i) p = qdbstrscan(p, &f[i], nullptr);
        line = next;
        const char *app = f[0], *typ = f[1];
        char* tg = f[2];
        if (*tg == '\0') continue;
        if (trace)
            hv_err(7, 0, "%s;createmany: tag=%s ident=%s ev=%s resrvtype=%s\n", pQdb_uname ? pQdb_uname : "", tg, f[3],
                   f[11], f[8]);
        hvresource* r = new (*db) hvresource();
        if (r == nullptr) return hv_err(__FILE__, __LINE__, 23, 929, QDB_INT, "no room for resource \"%s\"", tg);
        if (r->create(dbname, app, typ, static_cast<unsigned char>(*f[4]), tg, f[3], f[5], remote) != 0) {
            cfgstore::SavedError keep;
            delete r;
            rc = -1;
            continue;
        }
        if (elist::addevents(db, &r->eventsOff, f[11]) != 0) rc = -1;
        if (remote) {
            r->resstate = *f[6] ? static_cast<unsigned char>(*f[6]) : OSU;
            if (testctrl(nullptr, 0, f[7]) == 0)
                cfgstore::SetRecordText(db, &r->descrOff, f[7]);
            else
                qdberrclr();
            r->resrvtype = *f[8] ? static_cast<unsigned char>(*f[8]) : QDBRESRV_NONE;
            r->resrvpid = Decimal(f[9]);
            r->resrvpgid = Decimal(f[10]);
        }
    }
    return rc;
}

int hvresource::ins_readall() {
    return cfgstore::ForEachInstancesFile(true, [](const char* app, const char* typ, char* text) {
        return createmany(nullptr, app, typ, nullptr, text, 0);
    });
}

// Writes the instances file of every changed type of the local database.
extern "C" int res_sync(const char* dest) {
    qdbpinit();
    if (!cfgstore::IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'E', 'b', "%s", "");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr || !pQdb_shgp->changed[qdbshm::kChangedInstances]) return 0;
    std::vector<hvresource*> order;
    WalkOrder(db, &order);
    int rc = 0;
    DbIter it;
    it.iterInit(RESTYPE, db);
    for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next())) {
        if (!t->inschanged || cfgstore::TypeDir(t->app(), t->typ()).empty()) continue;
        std::string text;
        for (hvresource* r : order)
            if (std::strcmp(r->app(), t->app()) == 0 && std::strcmp(r->typ(), t->typ()) == 0) r->getrec(text);
        char dir[1200];
        std::snprintf(dir, sizeof dir, gps(kPathResourceTypeDir), t->app(), t->typ());
        if (qdbwritefile(dir, "instances", static_cast<int>(text.size()), text.c_str()) != 0) {
            rc = -1;
            continue;
        }
        t->inschanged = 0;
    }
    if (rc == 0) pQdb_shgp->changed[qdbshm::kChangedInstances] = 0;
    return rc;
}
