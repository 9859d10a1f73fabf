// The start-up pass of a fresh database: once the other systems can be
// asked, every instance gets its state by its init type and its SHARED and
// COMMON partners, and the tables are written with them.
#include "QdbStartup.h"

#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbLock.h"
#include "TableRecord.h"
#include "dependency.h"
#include "hvresource.h"
#include "network.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "platform/PollUntil.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace {

std::atomic<bool> g_deferred{false};
std::atomic<bool> g_pending{false};

// Whether every path to another system is ALIVE; *limitMs receives the
// longest heartbeat time-out among them. The pass reads other systems only
// for the equivalencies: without any, nothing is waited for.
bool AllPathsAlive(std::int64_t* limitMs) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return true;
    DbIter eqv;
    eqv.iterInit(EQUIV, db);
    if (eqv.current() == nullptr) return true;
    bool alive = true;
    DbIter it;
    it.iterInit(NETWORK, db);
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (n->get_nettype() != 'l' && n->get_nettype() != 'y') continue;
        if (cfgstore::IsLocalSystem(n->sysName())) continue;
        const std::int64_t timeout = static_cast<std::int64_t>(std::max(n->get_hbInterval(), 0)) *
                                     std::max(n->get_hbMaxMiss(), 0) * 1000;
        *limitMs = std::max(*limitMs, timeout);
        if (n->get_netstat() != MXRNET_ALIVE) alive = false;
    }
    return alive;
}

// The pass sets states without the state change's rules and sends none of
// them: the other systems' copies, loaded while it ran, learn the results
// now.
void AnnounceStates() {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return;
    for (hvresource* r : cfgstore::AllInstances(db))
        hvresource::broadcastUpdate('f', 's', db, r->tag(), nullptr, nullptr, nullptr, nullptr, r->get_inittype(),
                                    r->get_state(), r->get_statedescr());
}

}  // namespace

void qdbWaitForPaths(void) {
    std::int64_t limitMs = 0;
    if (AllPathsAlive(&limitMs)) return;
    // The systems whose paths stay down that long count as unreachable.
    std::int64_t ignored = 0;
    portlib::platform::PollUntil([&ignored] { return AllPathsAlive(&ignored); }, limitMs, 250);
}

void qdbDeferStartupPass(void) { g_deferred.store(true); }

bool qdbStartupPassDeferred(void) {
    if (!g_deferred.load()) return false;
    g_pending.store(true);
    return true;
}

void qdbRunStartupPass(void) {
    qdbWaitForPaths();
    hvresource::initallres();
    AnnounceStates();
    qdbsync(nullptr);
    {
        AUTO_QDB_LOCK(lk);
        if (lk.lock(-1) == 0 && pQdb_shgp != nullptr) pQdb_shgp->startupPassDue = 0;
    }
    // The recoveries that the boot cut short, of the systems still down.
    network::rerun_recoveries();
}


int qdbStartupPass(void) {
    if (!g_pending.exchange(false)) return 0;
    qdbRunStartupPass();
    // The pass runs on a thread of its own, which ends after it: a lock it
    // still held would come back to the next holder as abandoned.
    if (const int depth = cfgstore::ReleaseWholeLock(); depth > 0)
        hv_err(__FILE__, __LINE__, 3, kMsgDatabaseLock,
               "qdbStartupPass: the start-up pass still held the database lock (%d times)", depth);
    return 1;
}
