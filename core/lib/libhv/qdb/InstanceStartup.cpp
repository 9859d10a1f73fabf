// The start-up pass that gives every instance its state, and the SHARED
// equivalency corrections of the init types.
#include "AutoQdbLock.h"
#include "CachedDb.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "systems.h"
#include "platform/PollUntil.h"
#include "platform/TestTimeScale.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// What a start-up read of the other side of an equivalency found.
enum class Peer { Found, Unreachable, Missing };

// How long the start-up pass keeps asking a reachable system for its copy,
// and the longest wait of one load for the replies.
constexpr std::int64_t kPeerLoadMs = 10000;
constexpr unsigned kPeerReplyWaitMs = 10000;

// Whether system's copy holds a load (or there is no copy to load).
bool CopyLoaded(const char* system) {
    AUTO_QDB_LOCK(lk);
    const DbMgr* db = lk.getDbMgr(system, -1, 1000, 0);
    return db == nullptr || db->tStamp.valid();
}

// Loads the copy of a system that a path reaches, asking again while its
// load fails, each time waiting twice as long for the replies (from the
// ordinary wait up to kPeerReplyWaitMs): a daemon that has just started may
// not serve yet, and two machines that boot together answer slowly. A
// failure read as "not reachable" would let a secondary restore what its
// booting primary restores too. A system no path reaches is not waited for.
void LoadReachableCopy(const char* system) {
    // A system that did not answer for that long is not waited for again.
    thread_local std::unordered_set<std::string> t_silent;
    if (t_silent.count(system) != 0) return;
    unsigned replyWaitMs = portlib::platform::ScaledMs(kPeerReplyWaitMs);
    const bool loaded = portlib::platform::PollUntil(
        [system, &replyWaitMs] {
            if (CopyLoaded(system)) return true;
            {
                cfgstore::SavedError keep;
                if (sys_getstate(nullptr, system) == 'D') return true;
            }
            if (cfgstore::ReloadCopy(system, replyWaitMs, 1) == 0) return true;
            qdberrclr();
            replyWaitMs = std::min(replyWaitMs * 2, kPeerReplyWaitMs);
            return false;
        },
        kPeerLoadMs, 250);
    if (!loaded) t_silent.insert(system);
}

Peer ReadPeer(const cfgstore::EquivalencySide& side, state* st, init_type* init) {
    const bool local = cfgstore::IsLocalSystem(side.system.c_str());
    if (!local) LoadReachableCopy(side.system.c_str());
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(local ? nullptr : side.system.c_str(), -1, 1000, 0);
    if (db == nullptr || (!db->islocal() && !db->tStamp.valid())) return Peer::Unreachable;
    hvresource* r = hvresource::findres(db, side.tag.c_str(), nullptr);
    if (r == nullptr) return Peer::Missing;
    *st = r->get_state();
    *init = r->get_inittype();
    return Peer::Found;
}

// Sets a state during the start-up: no equivalency rules, nothing sent on.
void InitState(hvresource* r, state st, const char* reason) {
    // Other processes and the daemon's other threads read meanwhile.
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    r->resstate = st;
    if (DbMgr* db = r->owner()) cfgstore::SetRecordText(db, &r->descrOff, reason);
    r->changed();
}

// A secondary that came into service by a failover, at a start-up where its
// primary's system is reached and the primary is not failed and restores
// itself (AUTORES_ISP): the primary comes back there, and this copy stays
// out, so that the two systems starting together never both restore it.
bool PrimaryRestoresItself(hvresource* r) {
    cfgstore::EquivalencySide pri;
    if (!cfgstore::Seams().sharedPartner(Local(), r->tag(), false, &pri)) return false;
    state st = ILLSTATE;
    init_type init = ILLINIT;
    if (ReadPeer(pri, &st, &init) != Peer::Found || init != AUTORES_ISP || st == OSF) return false;
    char why[1200];
    std::snprintf(why, sizeof why, "shared primary resource \"%s\" on machine \"%s\" is restored there at start-up",
                  pri.tag.c_str(), pri.system.c_str());
    InitState(r, OSU, why);
    hv_err(__FILE__, __LINE__, 6, 878, "resource \"%s\" is being initialized to OSU state because its %s", r->tag(), why);
    return true;
}

void Walk(hvresource* r, std::unordered_set<hvresource*>& seen, void (*fn)(hvresource*)) {
    if (!seen.insert(r).second) return;
    fn(r);
    for (hvresource* b : r->below()) Walk(b, seen, fn);
}

}  // namespace

void hvresource::initstate() {
    std::unordered_set<hvresource*> seen;
    Walk(this, seen, [](hvresource* r) {
        r->resstate = ILLSTATE;
        r->resrvpid = r->resrvpgid = 0;
        r->resrvtype = QDBRESRV_NONE;
    });
}

int hvresource::initallres() {
    std::vector<hvresource*> roots;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        roots = listed(db);
        for (hvresource* r : roots) r->initstate();
        clearmarks(db->roots);
    }
    // Without the lock: the reads of other systems' copies and the restore
    // actions take it themselves.
    for (hvresource* r : roots) r->initres(0);
    qdberrcheck();
    for (hvresource* r : roots) r->initdepcheck();
    qdberrcheck();
    return 0;
}

int hvresource::initres(int flag) {
    char reason[1200];
    cfgstore::EquivalencySide sec;
    bool secIn = false;
    init_type secInit = ILLINIT;
    if (cfgstore::Seams().sharedPartner(Local(), tag(), true, &sec)) {
        state st = ILLSTATE;
        switch (ReadPeer(sec, &st, &secInit)) {
        case Peer::Unreachable:
            hv_err(__FILE__, __LINE__, 6, 875,
                   "can't determine if the secondary SHARED resource \"%s\" on machine \"%s\" of resource \"%s\" is "
                   "in-service since communications with this machine is not functioning.  Will assume it is "
                   "out-of-service.",
                   sec.tag.c_str(), sec.system.c_str(), tag());
            break;
        case Peer::Missing:
            hv_err(__FILE__, __LINE__, 6, 875,
                   "can't determine if the secondary SHARED resource \"%s\" on machine \"%s\" of resource \"%s\" is "
                   "in-service since an error occurred while updating cache. Will assume it is out-of-service.",
                   sec.tag.c_str(), sec.system.c_str(), tag());
            break;
        case Peer::Found: secIn = in_service(st); break;
        }
    }
    bool depOut = false;
    for (hvresource* b : below())
        if (b->initres(flag) != 0) depOut = true;
    const int carried = (flag || depOut) ? 1 : 0;
    if (mark('r')) return carried;
    setmark('r', 1);
    if (inittype == INIT_OSU) {
        InitState(this, OSU, "");
        return carried;
    }
    if (secIn) {
        char why[1000];
        std::snprintf(why, sizeof why, "shared secondary resource \"%s\" on machine \"%s\" is in ISP or ISU state",
                      sec.tag.c_str(), sec.system.c_str());
        const bool failed = secInit == AUTOSEC_ISP;
        InitState(this, failed ? OSF : OSU, why);
        hv_err(__FILE__, __LINE__, 6, failed ? 876 : 877, "resource \"%s\" is being initialized to %s state because its %s",
               tag(), failed ? "OSF" : "OSU", why);
        return 1;
    }
    cfgstore::EquivalencySide pri;
    if (cfgstore::Seams().sharedPartner(Local(), tag(), false, &pri)) {
        state st = ILLSTATE;
        init_type init = ILLINIT;
        switch (ReadPeer(pri, &st, &init)) {
        case Peer::Unreachable:
            hv_err(__FILE__, __LINE__, 6, 879,
                   "can't determine if the primary SHARED resource \"%s\" on machine \"%s\" of resource \"%s\" is "
                   "in-service since communications with this machine is not functioning.  Will assume it is "
                   "out-of-service.",
                   pri.tag.c_str(), pri.system.c_str(), tag());
            break;
        case Peer::Missing:
            hv_err(__FILE__, __LINE__, 6, 879,
                   "can't determine if the primary SHARED resource \"%s\" on machine \"%s\" of resource \"%s\" is "
                   "in-service since an error occured while updating cache for this system.  Will assume it is "
                   "out-of-service.",
                   pri.tag.c_str(), pri.system.c_str(), tag());
            break;
        case Peer::Found:
            if (in_service(st)) {
                std::snprintf(reason, sizeof reason, "shared primary resource \"%s\" on machine \"%s\" is in ISP or ISU state",
                              pri.tag.c_str(), pri.system.c_str());
                InitState(this, OSU, reason);
                hv_err(__FILE__, __LINE__, 6, 878, "resource \"%s\" is being initialized to OSU state because its %s",
                       tag(), reason);
                return 0;
            }
            break;
        }
    }
    std::vector<cfgstore::EquivalencySide> commons;
    cfgstore::Seams().commonPartners(Local(), tag(), &commons);
    for (const cfgstore::EquivalencySide& c : commons) {
        state st = ILLSTATE;
        init_type init = ILLINIT;
        switch (ReadPeer(c, &st, &init)) {
        case Peer::Found:
            std::snprintf(reason, sizeof reason, "has COMMON eqv with resource \"%s\" on machine \"%s\"", c.tag.c_str(),
                          c.system.c_str());
            InitState(this, st, reason);
            hv_err(__FILE__, __LINE__, 6, 880, "resource \"%s\" is being initialized to state \"%s\" because it %s", tag(),
                   convstate(st), reason);
            return 0;
        case Peer::Unreachable:
            hv_err(__FILE__, __LINE__, 6, 881,
                   "can't determine if the COMMON resource \"%s\" on machine \"%s\" of resource \"%s\" is in-service "
                   "since communications with this machine is not functioning.  Will assume it is out-of-service.",
                   c.tag.c_str(), c.system.c_str(), tag());
            break;
        case Peer::Missing:
            hv_err(__FILE__, __LINE__, 6, 881,
                   "can't determine if the COMMON resource \"%s\" on machine \"%s\" of resource \"%s\" is in-service "
                   "since an error occured while updating cache for that system. Will assume it is out-of-service.",
                   c.tag.c_str(), c.system.c_str(), tag());
            break;
        }
    }
    if (depOut) {
        InitState(this, OSU, "depends directly or indirectly on a shared resource that in OSU or OSF state");
        return 1;
    }
    if (resstate == ILLSTATE) InitState(this, inittype == INIT_ISP ? ISP : OSU, "");
    return 0;
}

hvresource* hvresource::initdepcheck() {
    hvresource* blocker = nullptr;
    for (hvresource* b : below())
        if (hvresource* x = b->initdepcheck()) blocker = x;
    auto blockedBy = [this](hvresource* by) {
        char why[1200];
        std::snprintf(why, sizeof why, "depends on resource \"%s\" in \"%s\" state", by->tag(), convstate(by->get_state()));
        InitState(this, OSU, why);
        hv_err(__FILE__, __LINE__, 6, 874, "resource \"%s\" is being initialized to OSU state because it %s", tag(), why);
        return this;
    };
    if (resstate == ILLSTATE || resstate == OSF) return this;
    if (resstate == OSU) {
        if (inittype != AUTORES_ISP && inittype != AUTOSEC_ISP) return this;
        if (blocker != nullptr) return blockedBy(blocker);
        if (inittype == AUTOSEC_ISP && PrimaryRestoresItself(this)) return this;
        const std::string t = tag();
        return cfgstore::Seams().perfaction(t.c_str(), "restore", "-R") == 0 ? nullptr : this;
    }
    return blocker != nullptr ? blockedBy(blocker) : nullptr;
}

int hvresource::check_equivalency(const char* ps, const char* pt, const char* ss, const char* st, int is_primary,
                                  const char* os, const char* ot) {
    bool alive = false;
    {
        // The look-up's own report goes; an earlier failure stays.
        cfgstore::SavedError keep;
        alive = sys_getstate(nullptr, os) == 'A';
    }
    if (!alive) return 0;
    if (is_primary) {
        if (inittype == AUTORES_ISP) return 0;
        hv_err(__FILE__, __LINE__, 6, 882,
               "initialization type for resource \"%s\" id \"%s\" on machine \"%s\" is set to \"%s\" but should be "
               "\"AUTORES_ISP\" because it is the primary resource of shared equivalency with \"%s\" on machine \"%s\" "
               "as secondary.\n",
               tag(), id(), ps, convinit(inittype), ot, os);
        return set_inittype(AUTORES_ISP);
    }
    if (in_service(resstate)) {
        if (set_inittype(AUTORES_ISP) != 0) return -1;
        hv_err(__FILE__, __LINE__, 6, 884,
               "making resource \"%s\" id \"%s\" on machine \"%s\" the primary resource of shared equivalency with "
               "\"%s\" on machine \"%s\" as secondary.\n",
               tag(), id(), ss, ot, os);
        return cfgstore::Seams().makeShared({ss, st, ps, pt});
    }
    if (inittype == SEC_ISP) return 0;
    hv_err(__FILE__, __LINE__, 6, 883,
           "initialization type for resource \"%s\" id \"%s\" on machine \"%s\" is set to \"%s\" but should be "
           "\"SEC_ISP\" because it is the secondary resource of shared equivalency with \"%s\" on machine \"%s\" as "
           "primary.\n",
           tag(), id(), ss, convinit(inittype), ot, os);
    return set_inittype(SEC_ISP);
}

int hvresource::make_primary_if_isp() {
    std::vector<cfgstore::SharedEquivalency> all;
    cfgstore::Seams().sharedEquivalencies(&all);
    int rc = 0;
    for (const cfgstore::SharedEquivalency& e : all) {
        const bool primary = e.primarySystem == Local() && e.primaryTag == tag();
        const bool secondary = e.secondarySystem == Local() && e.secondaryTag == tag();
        if (!primary && !secondary) continue;
        const std::string& os = primary ? e.secondarySystem : e.primarySystem;
        const std::string& ot = primary ? e.secondaryTag : e.primaryTag;
        if (check_equivalency(e.primarySystem.c_str(), e.primaryTag.c_str(), e.secondarySystem.c_str(),
                              e.secondaryTag.c_str(), primary ? 1 : 0, os.c_str(), ot.c_str()) != 0)
            rc = -1;
    }
    return rc;
}

int hvresource::all_primary_if_isp() {
    std::vector<cfgstore::SharedEquivalency> all;
    cfgstore::Seams().sharedEquivalencies(&all);
    int rc = 0;
    for (const cfgstore::SharedEquivalency& e : all) {
        const bool primary = e.primarySystem == Local();
        const std::string& mine = primary ? e.primaryTag : e.secondaryTag;
        hvresource* r = findins(0, const_cast<char*>(mine.c_str()), nullptr, nullptr);
        if (r == nullptr) continue;
        const std::string& os = primary ? e.secondarySystem : e.primarySystem;
        const std::string& ot = primary ? e.secondaryTag : e.primaryTag;
        if (r->check_equivalency(e.primarySystem.c_str(), e.primaryTag.c_str(), e.secondarySystem.c_str(),
                                 e.secondaryTag.c_str(), primary ? 1 : 0, os.c_str(), ot.c_str()) != 0)
            rc = -1;
    }
    return rc;
}

int hvresource::am_i_on_primary(const char* tg, char* buf, bool* sawTag) {
    std::unordered_set<hvresource*> seen;
    int decided = -1;
    struct Rec {
        static void Go(hvresource* r, const char* tg, char* buf, bool* sawTag, int* decided,
                       std::unordered_set<hvresource*>& seen) {
            if (!seen.insert(r).second) return;
            if (std::strcmp(r->tag(), tg) == 0) *sawTag = true;
            if (*decided < 0) {
                cfgstore::EquivalencySide other;
                if (cfgstore::Seams().sharedPartner(Local(), r->tag(), true, &other)) {
                    *decided = 1;
                } else if (cfgstore::Seams().sharedPartner(Local(), r->tag(), false, &other)) {
                    *decided = 0;
                }
                if (*decided >= 0 && buf != nullptr) {
                    std::snprintf(buf, 2001, "%s", other.system.c_str());
                }
            }
            for (hvresource* b : r->below()) Go(b, tg, buf, sawTag, decided, seen);
        }
    };
    Rec::Go(this, tg, buf, sawTag, &decided, seen);
    return decided;
}
