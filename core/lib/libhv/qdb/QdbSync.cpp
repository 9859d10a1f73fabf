// Writing the tables to their files, here or on another system, and asking
// a daemon to shut down.
#include "QdbStartup.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>

namespace {

bool IsLocal(const char* system) {
    return system == nullptr || *system == '\0' || (pQdb_uname != nullptr && std::strcmp(system, pQdb_uname) == 0);
}

}  // namespace

extern "C" int qdbsync(const char* system) {
    qdbpinit();
    hv_debug(__FILE__, __LINE__, "qdbsync", "qdbsync: destname=%s\n", system ? system : "NULL");
    if (!IsLocal(system)) return qdbsendremote(nullptr, system, '@', 'b', nullptr, "", 0);
    int rc = 0;
    // Every writer runs, also after one failed.
    for (const qdb_cps_t& table : pQdb_cps) {
        if (table.sync != nullptr && table.sync() != 0) rc = -1;
    }
    return rc;
}

extern "C" int shutdownQDB(const char* system, int wait) {
    qdbpinit();
    const char* dest = system ? system : pQdb_uname;
    if (wait) return qdbsendremote(nullptr, dest, '@', 'i', nullptr, "", 0);
    const char data[] = {'@', 'i', '\x01'};
    return qdbsendmes(0, pQdb_uname, "", dest, gps(kPathDaemonMailbox), data, sizeof data);
}
