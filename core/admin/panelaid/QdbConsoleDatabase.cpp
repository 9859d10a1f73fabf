#include "QdbConsoleDatabase.h"

#include "CachedDb.h"
#include "InstanceInterface.h"
#include "QdbStartup.h"
#include "application.h"
#include "dependency.h"
#include "equivalency.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "resource_type.h"
#include "systems.h"

#include <sys/stat.h>

namespace panelaid {

namespace {

// Takes the library's array: copies the records, frees every string and the
// array. False for null.
bool TakeList(char** list, Records* out) {
    out->clear();
    if (list == nullptr) return false;
    for (char** p = list; *p != nullptr; ++p) {
        out->emplace_back(*p);
        qdbfreeit(*p);
    }
    qdbfreeit(list);
    return true;
}

}  // namespace

bool QdbConsoleDatabase::SystemList(const char* machine, Records* out) { return TakeList(sys_list(machine), out); }

bool QdbConsoleDatabase::InstanceList(const char* machine, const InstanceQuery& q, Records* out) {
    return TakeList(ins_list(machine, q.start, q.application, q.type, q.tag, q.id, kRecordSeparator), out);
}

bool QdbConsoleDatabase::DependencyList(const char* machine, const char* tag, Relation which, Records* out) {
    return TakeList(dep_list(machine, tag, static_cast<int>(which), nullptr, nullptr, kRecordSeparator), out);
}

bool QdbConsoleDatabase::EquivalencyList(const char* machine, const char* systemFilter, const char* tagFilter,
                                         int type, Records* out) {
    return TakeList(eqv_list(machine, systemFilter, tagFilter, type, kRecordSeparator), out);
}

bool QdbConsoleDatabase::NetworkList(const char* machine, const char* destination, Records* out) {
    return TakeList(net_list(machine, destination, kRecordSeparator), out);
}

bool QdbConsoleDatabase::FlagList(const char* machine, Records* out) { return TakeList(flg_list(machine), out); }

int QdbConsoleDatabase::SystemState(const char* machine, const char* name) { return sys_getstate(machine, name); }

int QdbConsoleDatabase::FlagTest(const char* machine, const char* flag) {
    const int rc = flg_test(machine, flag, 0);
    return rc < 0 ? -1 : rc == 0 ? 1 : 0;
}

int QdbConsoleDatabase::SystemCreate(const char* machine, const char* name) { return sys_create(machine, name); }
int QdbConsoleDatabase::SystemSetState(const char* machine, const char* name, int state) {
    return sys_setstate(machine, name, state, nullptr);
}
int QdbConsoleDatabase::SystemRemove(const char* machine, const char* name) { return sys_remove(machine, name); }

int QdbConsoleDatabase::DependencyCreate(const char* machine, const char* parent, const char* child) {
    return dep_create(machine, parent, child);
}

int QdbConsoleDatabase::DependencyRemove(const char* machine, const char* parent, const char* child) {
    return dep_remove(machine, parent, child, nullptr);
}

int QdbConsoleDatabase::NetworkCreate(const char* machine, const PathDefinition& p) {
    return net_create(machine, p.system.c_str(), p.device.c_str(), p.type, p.baud, p.priority, p.heartbeatInterval,
                      p.maxMisses);
}

int QdbConsoleDatabase::NetworkRemove(const char* machine, const char* system, const char* device) {
    return net_remove(machine, system, device);
}

int QdbConsoleDatabase::FlagCreate(const char* machine, const char* flag) { return flg_create(machine, flag); }
int QdbConsoleDatabase::FlagRemove(const char* machine, const char* flag) { return flg_remove(machine, flag); }

int QdbConsoleDatabase::ApplicationCreate(const char* machine, const char* application) {
    return app_create(machine, application);
}

int QdbConsoleDatabase::TypeCreate(const char* machine, const char* application, const char* type) {
    return typ_create(machine, application, type);
}

int QdbConsoleDatabase::Sync(const char* machine) { return qdbsync(machine); }

DbStamp QdbConsoleDatabase::Stamp(const char* machine) {
    const QdbDbTime t = getDbTime(machine, kCacheUseOrLoad);
    return DbStamp{t.secs, static_cast<std::uint32_t>(t.coll)};
}

std::string QdbConsoleDatabase::LocalName() {
    qdbpinit();
    return pQdb_uname != nullptr ? pQdb_uname : "";
}

std::string QdbConsoleDatabase::RootDir() {
    const char* root = gps(kPathRoot);
    return root != nullptr ? root : "";
}

bool QdbConsoleDatabase::Initializing() {
    const char* marker = gps(kPathInitResMarker);
    struct stat st {};
    return marker != nullptr && ::stat(marker, &st) == 0;
}

int QdbConsoleDatabase::ErrorNumber() { return *getpQdb_errno(); }

bool QdbConsoleDatabase::ErrorText(std::string* text) {
    const char* t = *getpQdb_errbuf();
    if (t == nullptr) return false;
    *text = t;
    return true;
}

void QdbConsoleDatabase::ClearError() { qdberrclr(); }

}  // namespace panelaid
