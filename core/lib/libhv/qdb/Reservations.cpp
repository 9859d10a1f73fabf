// Reserving hierarchies for an action, clearing reservations and telling
// who holds one.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "Reservations.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "UnixStubs.h"
#include "dependency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace cfgstore {

namespace {

int PlatformGroup() { return portlib::getpgid(0); }
int PlatformLeader() { return portlib::setsid(); }
void RealPause(unsigned seconds) { ::sleep(seconds); }

ReservationHooks g_hooks{PlatformGroup, PlatformLeader, RealPause};

}  // namespace

const ReservationHooks& Reservation() { return g_hooks; }

void SetReservationHooks(const ReservationHooks& h) {
    if (h.processGroup) g_hooks.processGroup = h.processGroup;
    if (h.makeGroupLeader) g_hooks.makeGroupLeader = h.makeGroupLeader;
    if (h.pause) g_hooks.pause = h.pause;
}

}  // namespace cfgstore

namespace {

constexpr unsigned kPauseSeconds = 2;
constexpr int kMaxRounds = 5;

int TimeoutOf(qdbresrv_t type) {
    switch (type) {
    case 'F':
    case 'D': return pQdb_resrvaudtimeout;
    case 'M':
    case 'S': return pQdb_resrvtimeout;
    case 'R': return pQdb_resrvrectimeout;
    default: return -1;
    }
}

// The scope in a fixed order: the stop instances (with what lies below
// them, unless the code is 'M' or 'R'), or everything without stop tags;
// and every instance above something in it.
std::vector<hvresource*> Scope(DbMgr* db, const std::vector<hvresource*>& stops, qdbresrv_t type) {
    if (stops.empty()) return cfgstore::AllInstances(db);
    std::unordered_set<hvresource*> in;
    std::vector<hvresource*> order;
    const bool through = type != 'M' && type != 'R';
    std::vector<hvresource*> todo(stops.rbegin(), stops.rend());
    while (!todo.empty()) {
        hvresource* r = todo.back();
        todo.pop_back();
        if (!in.insert(r).second) continue;
        order.push_back(r);
        if (!through) continue;
        const std::vector<hvresource*> below = r->below();
        todo.insert(todo.end(), below.rbegin(), below.rend());
    }
    // Upward: every instance above something in the scope is in it. The
    // dependency records name each instance's parents.
    std::unordered_map<hvresource*, std::vector<hvresource*>> parents;
    DbIter it;
    it.iterInit(DEPEND, db);
    for (auto* d = static_cast<dependency*>(it.current()); d != nullptr; d = static_cast<dependency*>(it.next()))
        if (d->childRes() != nullptr && d->parentRes() != nullptr) parents[d->childRes()].push_back(d->parentRes());
    for (std::size_t i = 0; i < order.size(); ++i)
        for (hvresource* p : parents[order[i]])
            if (in.insert(p).second) order.push_back(p);
    return order;
}

void Clear(hvresource* r) {
    r->resrvpid = r->resrvpgid = 0;
    r->resrvtype = QDBRESRV_NONE;
    pQdb_shgp->changed[qdbshm::kChangedInstances] = 1;
}

}  // namespace

const char* hvresource::convresrv(qdbresrv_t type) {
    switch (type) {
    case QDBRESRV_NONE: return "unreserved";
    case 'F': return "audit file system";
    case 'D': return "audit device";
    case 'M': return "remove from service";
    case 'S': return "restore to service";
    case 'R': return "recover from event";
    default: {
        thread_local char unknown[40];
        std::snprintf(unknown, sizeof unknown, "unknown reason (%d)", type);
        return unknown;
    }
    }
}

int hvresource::reserve_status(char* buf) const {
    if (resrvpid == 0) return 1;
    std::sprintf(buf, "RESERVED to %s by process %d in process group %d", convresrv(resrvtype), resrvpid, resrvpgid);
    return 0;
}

int hvresource::reserve_resources(const char* stoptags, qdbresrv_t type) {
    const int pid = static_cast<int>(::getpid());
    const int pgid = cfgstore::Reservation().processGroup();
    const char* stopText = stoptags ? stoptags : "";
    if (pgid < 0)
        return hv_err(__FILE__, __LINE__, 23, 897, QDB_UNIX, "reserve_resources(%s,%s): getpgid FAIL", stopText,
                      convresrv(type));
    if (type == QDBRESRV_NONE) return hv_err(__FILE__, __LINE__, 23, 899, QDB_ARGS, "reserve type set to QDBRESRV_NONE");
    const int timeout = TimeoutOf(type);
    if (timeout < 0) return hv_err(__FILE__, __LINE__, 23, 899, QDB_ARGS, "reserve type %d is unknown", type);
    unsigned waited = 0;
    bool announced = false;
    for (int round = 1;; ++round) {
        int otherPid = 0, otherPgid = 0;
        std::string otherTag;
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            if (db == nullptr) return -1;
            if (db->roots < 0) return hv_err(__FILE__, __LINE__, 23, 898, QDB_NOEXIST, "Qdb_shgp->roots is NULL");
            std::vector<hvresource*> stops;
            std::string tags = stopText;
            for (char* p = tags.data(); p != nullptr;) {
                char* t = nullptr;
                p = qdbstrscan(p, &t, nullptr);
                if (*t == '\0') continue;
                hvresource* r = findins(1, t, nullptr, nullptr);
                if (r == nullptr) return -1;
                stops.push_back(r);
            }
            const std::vector<hvresource*> scope = Scope(db, stops, type);
            hvresource* blocker = nullptr;
            for (hvresource* r : scope)
                if (r->resrvpid != 0 && r->resrvpgid != pgid) {
                    blocker = r;
                    break;
                }
            if (blocker == nullptr) {
                if (scope.empty()) {
                    hv_err(__FILE__, __LINE__, 6, 0,
                           "Process %d in process group %d attempted to reserve a resource but no matching resources were "
                           "found to reserve.",
                           pid, pgid);
                    return 0;
                }
                errno = 0;
                if (cfgstore::Reservation().makeGroupLeader() != 0 && errno != EPERM) {
                    cfgstore::SavedError keep;
                    hv_err(__FILE__, __LINE__, 24, 885, "reserve_resources(%s,%s): setsid() FAIL", stopText, convresrv(type));
                }
                for (hvresource* r : scope) {
                    r->resrvpid = pid;
                    r->resrvpgid = pgid;
                    r->resrvtype = type;
                }
                pQdb_shgp->changed[qdbshm::kChangedInstances] = 1;
                return 0;
            }
            if (round >= kMaxRounds)
                return hv_err(__FILE__, __LINE__, 23, 900, QDB_EXIST, "Process %d in process group %d tried %d times to reserve resources but failed.",
                              pid, pgid, round);
            otherPid = blocker->resrvpid;
            otherPgid = blocker->resrvpgid;
            otherTag = blocker->tag();
            if (!announced) {
                hv_err(__FILE__, __LINE__, 6, 0,
                       "Process %d in process group %d tried to reserve resource \"%s\" for %s but resource was already "
                       "reserved by process %d in process group %d for %s.  Process %d will wait for %u seconds before it "
                       "will remove reserve.\n",
                       pid, pgid, blocker->tag(), convresrv(type), otherPid, otherPgid, convresrv(blocker->resrvtype), pid,
                       static_cast<unsigned>(timeout));
                announced = true;
            }
        }
        cfgstore::Reservation().pause(kPauseSeconds);
        waited += kPauseSeconds;
        if (waited < static_cast<unsigned>(timeout)) continue;
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        hv_err(__FILE__, __LINE__, 6, 0,
               "Process %d in process group %d wishes to reserve resource \"%s\" but resource has been reserved by process "
               "%d in process group %d for longer than %u seconds.  Process %d will now remove reservation so it can "
               "reserve the resource.\n",
               pid, pgid, otherTag.c_str(), otherPid, otherPgid, static_cast<unsigned>(timeout), pid);
        for (hvresource* r : cfgstore::AllInstances(db))
            if (r->resrvpid == otherPid) Clear(r);
        waited = 0;
        announced = false;
    }
}

int hvresource::check_reservation(long pid) const {
    const int pgid = cfgstore::Reservation().processGroup();
    if (pgid < 0) return hv_err(__FILE__, __LINE__, 22, 871, "clr_res(%ld): getpgid FAIL", pid);
    if (resrvpid == 0) return 0;
    const int me = static_cast<int>(::getpid());
    if (resrvpid != me && resrvpgid != pgid)
        return hv_err(__FILE__, __LINE__, 23, 901, QDB_ARGS,
                      "Process %d in process group %d attempted to clear reservation on resource \"%s\" by process %d in "
                      "group %d expecting it to be reserved by process %ld.",
                      me, pgid, tag(), resrvpid, resrvpgid, pid);
    return 0;
}

int hvresource::clear_reservation(long pid) {
    if (check_reservation(pid) != 0) return -1;
    if (resrvpid != 0) Clear(this);
    return 0;
}

int hvresource::clear_reservations(long pid) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    int rc = 0;
    for (hvresource* r : cfgstore::AllInstances(db))
        if (r->resrvpid == pid && r->clear_reservation(pid) != 0) rc = -1;
    return rc;
}
