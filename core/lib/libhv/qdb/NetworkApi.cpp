// The communication-path table's C interface. Creating and removing a local
// path asks the local manager's administrator; the database lock is never
// held while that answer is awaited (the manager's database link takes the
// lock on its own thread, and the administrator may be waiting for it).
#include "AutoQdbLock.h"
#include "CommAgentEnt.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ProxyMxrAdmin.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "UnixPath.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "systems.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using cfgstore::IsLocalSystem;

namespace {

const char* LocalName() { return pQdb_uname ? pQdb_uname : ""; }
const char* OrNull(const char* s) { return s ? s : "NULL"; }

// A remote request whose '$' answer is the callee's result in decimal.
int RemoteResult(const char* dest, char command, const char* format, ...) __attribute__((format(printf, 3, 4)));
int RemoteResult(const char* dest, char command, const char* format, ...) {
    char payload[4096];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(payload, sizeof payload, format, args);
    va_end(args);
    if (n < 0 || n >= static_cast<int>(sizeof payload))
        return hv_err(__FILE__, __LINE__, 23, 1024, QDB_ARGS, "path request for %s too long", dest);
    std::vector<char> reply(kQdbMesMax, '\0');
    if (qdbsendremote(reply.data(), dest, 'B', command, "%s", payload) != 0) return -1;
    return reply[0] != '\0' ? std::atoi(reply.data()) : 0;
}

// Writes the time of the first TTY or TLI path to system into HV_START_TIME.
void NoteStartTime(const char* dest, const char* system) {
    char** list = net_list(dest, system, 0);
    if (list == nullptr) {
        qdberrclr();
        return;
    }
    int count = 0;
    for (int i = 0; list[i] != nullptr; ++i) {
        hv_debug(__FILE__, __LINE__, "LD.net_create", "net_create: nl[%d]=%s\n", i, list[i]);
        char* p = list[i];
        char* field = nullptr;
        for (int f = 0; f < 3 && p != nullptr; ++f) p = qdbstrscan(p, &field, nullptr);
        if (field != nullptr && (std::strcmp(field, "TTY") == 0 || std::strcmp(field, "TLI") == 0)) ++count;
        qdbfreeit(list[i]);
    }
    qdbfreeit(list);
    if (count != 1) return;
    hv_debug(__FILE__, __LINE__, "LD.net_create", "net_create: updating HV_START_TIME\n");
    const char* path = gps(kPathStartTime);
    // The configuration directory is private, as the table files' writer
    // makes it; a failure shows as the open's.
    portlib::mkdirp(std::filesystem::path(path).parent_path().c_str(), 0700);
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) {
        // The path exists already: report, never end the caller.
        hv_err(__FILE__, __LINE__, 24, 982, "net_create: fopen(%s) failed", path);
        qdberrcheck();
        return;
    }
    std::fprintf(f, "%lu\n", static_cast<unsigned long>(std::time(nullptr)));
    std::fclose(f);
}

// A path to remove, copied out of the segment.
struct PathKey {
    std::string system;
    std::string device;
    bool hasDevice;
    nettype type;
};

}  // namespace

int network::create_msg(const char* sys, const char* dev, nettype t, int baud, int prio, int hbI, int hbM) {
    ProxyMxrAdminPtr proxy(new ProxyMxrAdmin());
    return proxy->CreateCommPath(bStr(sys ? sys : ""), bStr(LocalName()), bStr(sys ? sys : ""),
                                 static_cast<CommAgentEnt::CommAgentType>(agentType(t)), bStr(dev ? dev : ""), prio,
                                 hbI, hbM, baud, BaseMsgPtr());
}

int network::remove_msg(const char* sys, const char* dev, nettype t) {
    const char* host = sys && *sys ? sys : LocalName();
    ProxyMxrAdminPtr proxy(new ProxyMxrAdmin());
    return proxy->DeleteCommPath(bStr(host), bStr(LocalName()), bStr(host),
                                 static_cast<CommAgentEnt::CommAgentType>(agentType(t)), bStr(dev ? dev : ""));
}

extern "C" int net_create(const char* dest, const char* system, const char* device, int type, int baud, int priority,
                          int hbInterval, int hbMaxMiss) {
    qdbpinit();
    hv_debug(__FILE__, __LINE__, "LD.net_create", "net_create(%s,%s,%s,%d,%d) ENTER\n", OrNull(dest), OrNull(system),
             OrNull(device), type, baud);
    if (system == nullptr || *system == '\0')
        return hv_err(__FILE__, __LINE__, 23, 1024, QDB_ARGS, "must specify system name for new network");
    if (type == '0')
        return hv_err(__FILE__, __LINE__, 23, 1025, QDB_ARGS, "must define network type when it is being created");
    if (!IsLocalSystem(dest))
        return RemoteResult(dest, 'a', "%s\x01%s\x01%c\x01%d\x01%d\x01%d\x01%d", system, device ? device : "",
                            static_cast<char>(type), baud, priority, hbInterval, hbMaxMiss);
    int rc = -1;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        network* n = network::alloc(db);
        if (n == nullptr) {
            hv_err(__FILE__, __LINE__, 23, 1024, QDB_INT, "no room for the path to %s", system);
        } else if (n->create(system, device, type, baud, priority, hbInterval, hbMaxMiss) != 0) {
            cfgstore::SavedError keep;
            n->destroy();
        } else {
            // Stored and announced: the administrator is asked without the lock.
            lk.release();
            const int depth = cfgstore::ReleaseWholeLock();
            rc = network::create_msg(system, device, type, baud, priority, hbInterval, hbMaxMiss);
            cfgstore::RetakeLock(depth);
        }
    }
    if (type != 'f' && rc != -1) NoteStartTime(dest, system);
    return rc;
}

extern "C" int net_remove(const char* dest, const char* system, const char* device) {
    qdbpinit();
    if (!IsLocalSystem(dest))
        return RemoteResult(dest, 'c', "%s\x01%s", system ? system : "", device ? device : "");
    std::vector<PathKey> keys;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return hv_err(__FILE__, __LINE__, 23, 1026, QDB_INT, "no local database");
    DbIter it;
    it.iterInit(NETWORK, db);
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (system != nullptr && n->system >= 0 && std::strcmp(n->sysName(), system) != 0) continue;
        if (device != nullptr && n->device >= 0 && std::strcmp(n->mydevice(), device) != 0) continue;
        keys.push_back({n->sysName(), n->mydevice() ? n->mydevice() : "", n->mydevice() != nullptr, n->type});
    }
    if (keys.empty())
        return hv_err(__FILE__, __LINE__, 23, 1026, QDB_NOEXIST,
                      "no match for removing comm-paths to system \"%s\" and device \"%s\"",
                      system ? system : "<NULL>", device ? device : "<NULL>");
    pQdb_shgp->changed[qdbshm::kChangedNetworks] = 1;

    // The administrator is asked without the lock, every hold of this thread
    // released (sys_remove comes here holding it) and taken back after.
    std::vector<int> answers;
    lk.release();
    const int depth = cfgstore::ReleaseWholeLock();
    for (const PathKey& k : keys)
        answers.push_back(network::remove_msg(k.system.c_str(), k.hasDevice ? k.device.c_str() : nullptr, k.type));
    cfgstore::RetakeLock(depth);

    // A path the administrator did not delete (it does not hold it, or it
    // could not be asked) stays in the table, with the reason reported.
    int rc = 0;
    db = lk.getDbMgr(nullptr, -1, 1000, 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (answers[i] != 0) {
            rc = hv_err(__FILE__, __LINE__, 23, 1026, QDB_MES,
                        answers[i] == 1 ? "the administrator holds no comm-path to \"%s\" over \"%s\" to delete"
                                        : "the manager could not be asked to delete the comm-path to \"%s\" over \"%s\"",
                        keys[i].system.c_str(), keys[i].device.c_str());
            continue;
        }
        const PathKey& k = keys[i];
        network* n = network::getnet(db, k.system.c_str(), k.hasDevice ? k.device.c_str() : nullptr);
        // Another process may have removed it meanwhile.
        if (n == nullptr || n->type != k.type) continue;
        network::broadcastUpdate(db, 'c', k.system.c_str(), n->mydevice(), k.type, 0, 0, 0, 0, MXRNET_FAILED);
        n->destroy();
    }
    return rc;
}

extern "C" int net_change(const char* dest, const char* oldSystem, const char* oldDevice, const char* newSystem,
                          const char* newDevice, int type, int baud, int priority, int hbInterval, int hbMaxMiss) {
    qdbpinit();
    if (oldSystem == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 1027, QDB_ARGS, "must specify original network name");
    if (oldDevice == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 1028, QDB_ARGS, "must specify original device path");
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(IsLocalSystem(dest) ? nullptr : dest, -1, 1000, 1);
        if (db == nullptr)
            return hv_err(__FILE__, __LINE__, 23, 1029, QDB_NOEXIST, "System not found: \"%s\"", OrNull(dest));
        if (newSystem != nullptr && systems::find(db, newSystem) == nullptr)
            return hv_err(__FILE__, __LINE__, 23, kMsgSystemUnknown, QDB_ARGS,
                          "system \"%s\" unknown on machine \"%s\"", newSystem, db->dbName() ? db->dbName() : "");
        if (network::getnet(db, oldSystem, oldDevice) == nullptr)
            return hv_err(__FILE__, __LINE__, 23, 1029, QDB_ARGS, "network \"%s\" with device \"%s\" not found on \"%s\"",
                          oldSystem, oldDevice, dest ? dest : "");
    }
    if (newSystem != nullptr && newDevice != nullptr) {
        if (std::strcmp(newSystem, oldSystem) == 0 && std::strcmp(newDevice, oldDevice) == 0)
            return hv_err(__FILE__, __LINE__, 23, 1030, QDB_ARGS,
                          "new system \"%s\" and device \"%s\" can't be same as old system and device", newSystem,
                          newDevice);
        // The old path goes only once the new one stands.
        if (net_create(dest, newSystem, newDevice, type, baud, priority, hbInterval, hbMaxMiss) == -1) return -1;
        return net_remove(dest, oldSystem, oldDevice) == -1 ? -1 : 0;
    }
    if (newSystem != nullptr && std::strcmp(newSystem, oldSystem) == 0)
        return hv_err(__FILE__, __LINE__, 23, 1031, QDB_ARGS, "new system \"%s\" can't be same as old system \"%s\"",
                      newSystem, oldSystem);
    return 0;
}

extern "C" char** net_list(const char* dbsys, const char* system, int sep) {
    qdbpinit();
    const char s = sep == 0 ? '\x01' : static_cast<char>(sep);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) {
        hv_err(__FILE__, __LINE__, 23, 1034, QDB_NOEXIST, "Unknown system: \"%s\"", OrNull(dbsys));
        return nullptr;
    }
    std::vector<std::string> records;
    DbIter it;
    it.iterInit(NETWORK, db);
    char buf[2000];
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (system != nullptr && std::strcmp(n->sysName(), system) != 0) continue;
        int len = std::snprintf(buf, sizeof buf, "%s%c%s%c%s%c%s%c%d%c%d%c%s%c%d%c%d%c%d", n->sysName(), s,
                                cfgstore::RecordText(n->device), s, network::convtype(n->type), s,
                                network::convbaud(n->ttybaud), s, 0, s, 0, s, n->getstate(), s, n->priority, s,
                                n->hbInterval, s, n->hbMaxMiss);
        for (std::uint32_t v : n->statistics)
            if (len >= 0 && len < static_cast<int>(sizeof buf))
                len += std::snprintf(buf + len, sizeof buf - static_cast<std::size_t>(len), "%c%lu", s,
                                     static_cast<unsigned long>(v));
        records.emplace_back(buf);
    }
    if (system != nullptr && records.empty()) {
        hv_err(__FILE__, __LINE__, 23, 1032, QDB_NOEXIST, "no matches to system \"%s\"", system);
        return nullptr;
    }
    auto** list = static_cast<char**>(qdbnalloc((records.size() + 1) * sizeof(char*)));
    for (std::size_t i = 0; i < records.size(); ++i) list[i] = qdbsavcpy(records[i].c_str());
    list[records.size()] = nullptr;
    return list;
}

extern "C" int net_sync(const char* dest) {
    qdbpinit();
    if (!IsLocalSystem(dest)) return RemoteResult(dest, 'b', "%s", "");
    return cfgstore::WriteTableFile(qdbshm::kChangedNetworks, "networks", &network::getall, 977);
}
