// What the paths' coming up and going down do to the local database, the
// manager-available event, and the path queries. The lock is released
// before anything is reported, before the flag functions (which take it
// themselves) and before an event command runs.
#include "AutoQdbLock.h"
#include "CachedDb.h"
#include "CrashPoint.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "UnixPath.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbpaths.h"
#include "qdbrecover.h"
#include "systems.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kEventLine = 2000;

std::string ProgramName() {
    std::string copy = pQdb_arg0 ? pQdb_arg0 : "";
    return portlib::basename(copy.data());
}

std::string CommDownFlag(const std::string& system) { return "!comm_down!" + system; }
std::string RecoveredMark(const std::string& system) { return cfgstore::RecoveredMarkOf(system.c_str()); }

// Under the caller's lock: makes flag unless it is there. 0, or -1 with the
// thread's error record set.
int EnsureFlag(DbMgr* db, const std::string& flag) {
    if (flg::find(db, flag.c_str()) != nullptr) return 0;
    return flg_create(nullptr, flag.c_str());
}
// Under the caller's lock: removes flag when it is there.
void DropFlag(DbMgr* db, const std::string& flag) {
    if (flg::find(db, flag.c_str()) != nullptr && flg_remove(nullptr, flag.c_str()) != 0) qdberrcheck();
}

// The comm_down event command for a lost system.
std::string CommDownCommand(const std::string& sys, const char* device) {
    char cmd[kEventLine];
    std::snprintf(cmd, sizeof cmd, "%s -C holdervane -E comm_down -s1 -m HV:MXR -O%s -n%s -d%s", gps(kPathSendEvent),
                  gps(kPathMxrLog), sys.c_str(), device ? device : "");
    return cmd;
}

// The systems whose comm_down event may never have run or finished: held
// down, their flag made, and no recovery has marked them done.
std::vector<std::string> UnrecoveredSystems() {
    std::vector<std::string> out;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return out;
    DbIter it;
    it.iterInit(SYSTEM, db);
    for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next())) {
        const std::string name = s->sysName();
        if (cfgstore::IsLocalSystem(name.c_str()) || s->get_state() != 'D') continue;
        if (flg::find(db, CommDownFlag(name).c_str()) != nullptr && flg::find(db, RecoveredMark(name).c_str()) == nullptr)
            out.push_back(name);
    }
    return out;
}

// Runs an event command: standard output and error appended to the
// manager's log (a child never starts with a standard descriptor closed).
int RunEvent(int wait, const char* line) {
    const char* log = gps(kPathMxrLog);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(log).parent_path(), ec);
    const redirection redirs[] = {{HV_REDIR_APPEND, 2, {log}}, {HV_REDIR_DUP, 1, {.source = 2}}};
    return hvexec(wait, 2, redirs, "%s", line);
}

bool SameText(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

// How long a refresh on a path event waits for the other's replies, and how
// often it asks while the other is busy: the database link's thread and the
// lock are held meanwhile, and a peer that answers does so at once.
constexpr unsigned kRefreshReplyWaitMs = 3000;
constexpr int kRefreshTries = 5;

// Loads the copy of system again; a failure is reported and leaves the copy
// to be loaded at its next use.
void RefreshCopy(const std::string& system) {
    if (cfgstore::ReloadCopy(system.c_str(), kRefreshReplyWaitMs, kRefreshTries) != 0) {
        hv_err(__FILE__, __LINE__, 3, 0, "mxr_comm_up: the copy of %s could not be loaded again\n", system.c_str());
        qdberrclr();
    }
}

}  // namespace

void network::rerun_recoveries() {
    for (const std::string& lost : UnrecoveredSystems()) {
        const std::string cmd = CommDownCommand(lost, "");
        hv_err(__FILE__, __LINE__, 6, 968, "COMM_DOWN event (again: no recovery of %s ended):\n\t%s\n", lost.c_str(),
               cmd.c_str());
        RunEvent(1, cmd.c_str());
    }
}

int network::mxr_avail(int force) {
    qdbpinit();
    // A manager (or its database link) that died between a system's loss
    // and the end of its recovery left the event undone: it runs again. On a
    // segment whose start-up pass has not ended (a boot) the pass runs them,
    // once it has looked for the lost systems.
    if (pQdb_shgp != nullptr && pQdb_shgp->startupPassDue == 0) rerun_recoveries();
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1, 1);
        if (db == nullptr || pQdb_shgp == nullptr || pQdb_shgp->mgrEventPending == 0) return 0;
        if (force == 0) {
            DbIter it;
            it.iterInit(SYSTEM, db);
            for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next()))
                if (!cfgstore::IsLocalSystem(s->sysName()) && s->get_state() == 'D') return 0;
        }
        pQdb_shgp->mgrEventPending = 0;
    }
    char cmd[kEventLine];
    std::snprintf(cmd, sizeof cmd, "%s -C holdervane -E mxr_avail -s 1 -m HV:%s -O%s -n%d", gps(kPathSendEvent),
                  ProgramName().c_str(), gps(kPathMxrLog), static_cast<int>(::getpid()));
    hv_err(__FILE__, __LINE__, 6, 961, "MXR_AVAIL event:\n\tnohup %s\n", cmd);
    char line[kEventLine + 256];
    std::snprintf(line, sizeof line, "%s %s", gps(kPathNohup), cmd);
    RunEvent(0, line);
    return 1;
}

int network::mxr_comm_up(const char* system, const char* device) {
    qdbpinit();
    const std::string now = qdbnow();
    const std::string sys = system ? system : "";
    int result = 0;
    int oldnetstat = MXRNET_FAILED;
    std::string cmd;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        network* path = nullptr;
        DbIter it;
        it.iterInit(NETWORK, db);
        for (auto* n = static_cast<network*>(it.current()); n != nullptr && path == nullptr;
             n = static_cast<network*>(it.next()))
            if ((sys.empty() || sys == n->sysName()) && SameText(n->mydevice(), device)) path = n;
        if (path != nullptr && path->type == 'f') {
            result = hv_err(__FILE__, __LINE__, 23, 996, QDB_ARGS, "mxr_comm_up: illegal net type FDP sys=%s dev=%s",
                            sys.c_str(), device ? device : "");
            lk.release();
            qdberrcheck();
            return result;
        }
        if (path != nullptr) {
            oldnetstat = path->netstat;
            systems* s = systems::find(db, path->sysName());
            if (s == nullptr) {
                hv_err(__FILE__, __LINE__, 23, kMsgSystemUnknown, QDB_ARGS, "system \"%s\" unknown on machine \"%s\"",
                       path->sysName(), pQdb_uname ? pQdb_uname : "");
            } else {
                const bool doevent = s->get_state() == 'D' && oldnetstat == MXRNET_FAILED;
                path->set_netstat(MXRNET_ALIVE);
                hv_debug(__FILE__, __LINE__, "LD.mxr_comm_up",
                         "MXR_COMM_UP get_state=%s doevent=%d oldnetstat=%d MXRNET_FAILED=%d\n",
                         systems::convtype(s->get_state()), doevent ? 1 : 0, oldnetstat, MXRNET_FAILED);
                if (doevent) {
                    char line[kEventLine];
                    std::snprintf(line, sizeof line, "%s -w -C holdervane -E comm_up -s 1 -m HV:MXR -O%s -n%s -d%s",
                                  gps(kPathSendEvent), gps(kPathMxrLog), sys.c_str(), device ? device : "");
                    cmd = line;
                    char descr[kEventLine];
                    std::snprintf(descr, sizeof descr, "%s detected restored by %s at %s", ProgramName().c_str(),
                                  device ? device : "", now.c_str());
                    result = s->set_state('A', descr);
                    hv_debug(__FILE__, __LINE__, "LD.mxr_comm_up", "MXR_COMM_UP b=%s\n", cmd.c_str());
                } else if (s->get_state() == 'U') {
                    // A system created before any path to it came up: it is
                    // reachable now, and is sent cache updates from here on.
                    char descr[kEventLine];
                    std::snprintf(descr, sizeof descr, "%s detected reachable by %s at %s", ProgramName().c_str(),
                                  device ? device : "", now.c_str());
                    result = s->set_state('A', descr);
                }
            }
        }
    }
    qdberrcheck();
    if (oldnetstat == MXRNET_FAILED)
        hv_err(__FILE__, __LINE__, 9, 959, "Holdervane: communication to %s by %s RESTORED\n", sys.c_str(),
               device ? device : "");
    if (!cmd.empty()) {
        // The system was down: what the copy held of it is from before, and
        // it sent no updates meanwhile. The copy is loaded again now, before
        // the event, so that a recovery after its next failure reads the
        // states it has since it came back.
        RefreshCopy(sys);
        hv_debug(__FILE__, __LINE__, "LD.mxr_comm_up", "MXR_COMM_UP EVENT b=%s\n", cmd.c_str());
        const std::string flag = CommDownFlag(sys);
        if (flg_test(nullptr, flag.c_str(), 0) == 0 && flg_remove(nullptr, flag.c_str()) != 0)
            hv_err(__FILE__, __LINE__, 6, 963, "mxr_comm_up: flg_remove failed Qdb_errno=%d", Qdb_errno);
        const std::string mark = RecoveredMark(sys);
        if (flg_test(nullptr, mark.c_str(), 0) == 0 && flg_remove(nullptr, mark.c_str()) != 0) qdberrcheck();
        RunEvent(0, cmd.c_str());
    }
    qdberrcheck();
    return result;
}

int network::mxr_comm_down(const char* system, const char* device) {
    qdbpinit();
    const std::string sys = system ? system : "";
    bool commFailed = false;
    int oldnetstat = MXRNET_FAILED;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        systems* s = systems::find(db, sys.c_str());
        if (s == nullptr) {
            hv_err(__FILE__, __LINE__, 23, kMsgSystemUnknown, QDB_ARGS, "system \"%s\" unknown on machine \"%s\"",
                   sys.c_str(), pQdb_uname ? pQdb_uname : "");
            lk.release();
            hv_debug(__FILE__, __LINE__, "LD.mxr_comm_down", "MXR_COMM_DOWN could not find system: %s \n", sys.c_str());
            return qdberrcheck();
        }
        network* match = nullptr;
        bool allDown = true;
        DbIter it;
        it.iterInit(NETWORK, db);
        for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
            if (sys != n->sysName()) continue;
            if (match == nullptr && SameText(n->mydevice(), device)) {
                match = n;
                hv_debug(__FILE__, __LINE__, "LD.mxr_comm_down", "MXR_COMM_DOWN found sys %s dev %s match\n",
                         sys.c_str(), device ? device : "");
            } else if (n->netstat != MXRNET_FAILED) {
                allDown = false;
            }
        }
        hv_debug(__FILE__, __LINE__, "LD.mxr_comm_down", "MXR_COMM_DOWN all_down=%d, objptr=0x%x\n", allDown ? 1 : 0,
                 match ? static_cast<unsigned>(QdbPages().offOf(match)) : 0u);
        if (allDown) {
            char descr[kEventLine];
            std::snprintf(descr, sizeof descr, "%s detected failure at %s", ProgramName().c_str(), qdbnow());
            if (s->set_state('D', descr) == -1 || match == nullptr) {
                lk.release();
                return qdberrcheck();
            }
        }
        if (match == nullptr) {
            lk.release();
            return qdberrcheck();
        }
        oldnetstat = match->netstat;
        commFailed = allDown && oldnetstat != MXRNET_FAILED;
        hv_debug(__FILE__, __LINE__, "LD.mxr_comm_down", "MXR_COMM_DOWN comm_failed=%d oldnetstat=%d\n",
                 commFailed ? 1 : 0, oldnetstat);
        if (commFailed) {
            match->incstat(MXRSTAT_FAILURES);
            // The loss is recorded whole before the lock goes: the state
            // (set above), the flag, and no mark of a recovery done, so a
            // death before the event ends is found when the manager is
            // back.
            DropFlag(db, RecoveredMark(sys));
            cfgstore::CrashPoint("comm-down-state");
            if (EnsureFlag(db, CommDownFlag(sys)) != 0) {
                hv_err(__FILE__, __LINE__, 3, 964, "mxr_comm_down: flg_create failed Qdb_errno=%d\n", Qdb_errno);
                qdberrclr();
            }
        }
        match->set_netstat(MXRNET_FAILED);
    }
    if (oldnetstat != MXRNET_FAILED)
        hv_err(__FILE__, __LINE__, 9, 960, "Holdervane: communication to %s by %s FAILED\n", sys.c_str(),
               device ? device : "");
    if (!commFailed) return 0;
    const std::string flag = CommDownFlag(sys);
    const std::string cmd = CommDownCommand(sys, device);
    hv_err(__FILE__, __LINE__, 6, 968, "COMM_DOWN event:\n\t%s\n", cmd.c_str());
    cfgstore::CrashPoint("comm-down-event");
    RunEvent(1, cmd.c_str());
    return flg_test(nullptr, flag.c_str(), 0) == 0 ? 1 : 0;
}

int network::still_alive_conn(const char* system, const char* device) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    const network* n = getnet(lk.getDbMgr(nullptr, -1, 1000, 0), system, device);
    return n != nullptr && n->type != 'f' && n->netstat != MXRNET_FAILED ? 1 : 0;
}

int network::are_any_alive(const char* system) {
    qdbpinit();
    if (cfgstore::IsLocalSystem(system)) return 1;
    AUTO_QDB_LOCK(lk);
    DbIter it;
    it.iterInit(NETWORK, lk.getDbMgr(nullptr, -1, 1000, 0));
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next()))
        if (n->type != 'f' && n->netstat != MXRNET_FAILED && std::strcmp(n->sysName(), system) == 0) return 1;
    return 0;
}

int network::get_alive_conn(const char* system, char* deviceOut, char (*excluded)[2000], int count) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbIter it;
    it.iterInit(NETWORK, lk.getDbMgr(nullptr, -1, 1000, 0));
    network* best = nullptr;
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (n->type != 'y' || n->netstat == MXRNET_FAILED || !SameText(n->sysName(), system)) continue;
        bool skip = false;
        for (int i = 0; excluded != nullptr && i < count && !skip; ++i)
            skip = SameText(excluded[i], n->mydevice());
        if (skip) continue;
        if (deviceOut == nullptr) return 1;
        if (best == nullptr || n->timeLastSent < best->timeLastSent) best = n;
    }
    if (best == nullptr) return 0;
    best->set_time_last_sent(static_cast<long>(std::time(nullptr)));
    std::strcpy(deviceOut, cfgstore::RecordText(best->device));
    return 1;
}
