// State changes of an instance: the SHARED and COMMON rules, propagation up
// a hierarchy, and the state of an instance in another system's database.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "flg.h"
#include "hvresource.h"
#include "systems.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>
#include <string>

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// The state of the partner of a SHARED equivalency, or the refusal's
// report. 0 go on, -1 refused.
int CheckSharedPartner(const hvresource* self, state newstate, bool asPrimary) {
    cfgstore::EquivalencySide other;
    if (!cfgstore::Seams().sharedPartner(Local(), self->tag(), asPrimary, &other)) return 1;
    const state st = hvresource::remotestate(other.system.c_str(), other.tag.c_str());
    if (Qdb_errno == QDB_MES) {
        qdberrclr();
        hv_err(__FILE__, __LINE__, 6, asPrimary ? 863 : 864,
               "Can't determine the state of the %s resource \"%s\" on machine \"%s\" of SHARED resource \"%s\" because "
               "there is no communications with that machine.  Setting resource \"%s\" to %s state.\n",
               asPrimary ? "secondary" : "primary", other.tag.c_str(), other.system.c_str(), self->tag(), self->tag(),
               hvresource::convstate(newstate));
        return 0;
    }
    if (hvresource::in_service(st))
        return hv_err(__FILE__, __LINE__, 23, asPrimary ? 921 : 922, QDB_ARGS,
                      "resource \"%s\" can't be changed to \"%s\" state because it is a %s resource of a SHARED "
                      "equivalency to resource \"%s\" on machine \"%s\" which is in state \"%s\"",
                      self->tag(), hvresource::convstate(newstate), asPrimary ? "primary" : "secondary",
                      other.tag.c_str(), other.system.c_str(), hvresource::convstate(st));
    return 0;
}

}  // namespace

state hvresource::remotestate(const char* system, const char* tg) {
    // The copy of a system whose communication was lost holds its last
    // states, not its present ones: it counts as not reached, so a survivor
    // may take over what ran there.
    if (!cfgstore::IsLocalSystem(system)) {
        bool lost = false;
        {
            AUTO_QDB_LOCK(sl);
            const systems* s = sl.lock(-1) == 0 ? systems::find(ShmMgr::findDbMgr(nullptr, 0), system) : nullptr;
            lost = s != nullptr && s->get_state() == 'D';
        }
        if (lost && flg_test(nullptr, (std::string("!comm_down!") + system).c_str(), 0) == 0) {
            hv_err(__FILE__, __LINE__, 23, 893, QDB_MES, "communication with system \"%s\" is lost: its states are unknown",
                   system);
            return ILLSTATE;
        }
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(system) ? nullptr : system, -1, 1000, 1);
    if (db == nullptr) return ILLSTATE;
    // A copy that could not be loaded has no valid stamp: the other system
    // was not reached.
    if (!db->islocal() && !db->tStamp.valid()) {
        hv_err(__FILE__, __LINE__, 23, 893, QDB_MES, "cannot reach the database of system \"%s\"", system);
        return ILLSTATE;
    }
    hvresource* r = findres(db, tg, nullptr);
    return r ? r->get_state() : ILLSTATE;
}

int hvresource::check_shared_rule(state newstate) const {
    if (!in_service(newstate)) return 0;
    int rc = CheckSharedPartner(this, newstate, true);
    if (rc == 1) rc = CheckSharedPartner(this, newstate, false);
    return rc < 0 ? -1 : 0;
}

int hvresource::privset_state(char* exclsys, char* excltag, state newstate, const char* reason) {
    if (newstate == ILLSTATE)
        return hv_err(__FILE__, __LINE__, 23, 919, QDB_ARGS, "can't set resource state type to ILLSTATE");
    if (!IsInstanceState(newstate))
        return hv_err(__FILE__, __LINE__, 23, 919, QDB_ARGS, "state '%c' is not defined", newstate);
    if (testctrl(__FILE__, __LINE__, reason)) return -1;
    if (reason == nullptr) reason = "";
    if (!created())
        return hv_err(__FILE__, __LINE__, 23, 920, QDB_ARGS, "must define object first with ::create() or ::fill()");
    DbMgr* db = owner();
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 921, QDB_ARGS,
                      "resource \"%s\" can't be changed to \"%s\" state because it is on a remote system. Use "
                      "'ins_setstate()' function",
                      tag(), convstate(newstate));
    if (check_shared_rule(newstate) != 0) return -1;
    int result = 0;
    resstate = newstate;
    if (cfgstore::SetRecordText(db, &descrOff, reason) != 0) {
        hv_err(__FILE__, __LINE__, 23, 921, QDB_INT, "no room for the state description of \"%s\"", tag());
        result = -1;
    }
    broadcastUpdate('f', 's', db, tag(), nullptr, nullptr, nullptr, nullptr, inittype, newstate, reason);
    if (common_copy(exclsys, excltag, newstate, reason) != 0) result = -1;
    changed();
    if ((newstate == OSU || newstate == OSF) && inittype == AUTOSEC_ISP) {
        if (set_inittype(SEC_ISP) != 0) result = -1;
    } else if (in_service(newstate) && inittype == SEC_ISP) {
        if (set_inittype(AUTOSEC_ISP) != 0) result = -1;
    }
    return result;
}

int hvresource::common_copy(const char* exclsys, const char* excltag, state newstate, const char* reason) {
    std::vector<cfgstore::EquivalencySide> others;
    cfgstore::Seams().commonPartners(Local(), tag(), &others);
    int rc = 0;
    for (const cfgstore::EquivalencySide& o : others) {
        if (exclsys != nullptr && excltag != nullptr && o.system == exclsys && o.tag == excltag) continue;
        if (qdbsendremote(nullptr, o.system.c_str(), 'E', 'f', "C%c%s\x01%s\x01%s\x01%s", static_cast<char>(newstate),
                          o.tag.c_str(), reason ? reason : "", Local(), tag()) != 0)
            rc = -1;
    }
    return rc;
}

int hvresource::set_below_state(const char* tg, state newstate, const char* reason) {
    if (tg != nullptr && std::strcmp(tag(), tg) == 0) return privset_state(nullptr, nullptr, newstate, reason) == 0 ? 1 : -1;
    bool any = false, failed = false;
    for (hvresource* b : below()) {
        const int r = b->set_below_state(tg, newstate, reason);
        any = any || r == 1;
        failed = failed || r == -1;
    }
    if (failed) return -1;
    if (!any) return 0;
    // Above a failed instance the others are only out of service.
    if (newstate == OSF) return privset_state(nullptr, nullptr, OSU, "depends on failed resource") == 0 ? 1 : -1;
    return privset_state(nullptr, nullptr, newstate, reason) == 0 ? 1 : -1;
}

int hvresource::set_all_state(const char* tg, state newstate, const char* reason) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    int last = 0;
    for (hvresource* r : listed(db))
        if (const int rc = r->set_below_state(tg, newstate, reason); rc != 0) last = rc;
    return last;
}
