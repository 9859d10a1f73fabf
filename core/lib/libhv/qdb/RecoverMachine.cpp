// A system has failed: the survivor restores the shared resources that ran
// there. Those whose primary was on the dead system, and also local
// primaries whose secondary on the dead system was in service in the last
// copy of its database held here (the hierarchy had failed over to it).
#include "qdbrecover.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "QdbLock.h"
#include "RecoverySets.h"
#include "ShmMgr.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbkivra.h"
#include "qdbpaths.h"

#include "flg.h"
#include "systems.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// The state of tag in the copy of system's database held here, without
// loading it (the system is gone).
state HeldCopyState(const std::string& system, const std::string& tag) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    DbMgr* db = ShmMgr::findDbMgr(system.c_str(), 0);
    hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr;
    return r ? r->get_state() : ILLSTATE;
}

}  // namespace

int qdbrecover::local_restore_res(const std::string& tag, const char* system, xferlist_c& list) {
    if (list.contains(tag)) return 0;
    list.add_to_list(tag.c_str());
    hv_debug(__FILE__, __LINE__, "LD.recover.multrecover", "local_restore_res: tg=%s machine=%s ma=%s\n", tag.c_str(),
             Local(), system);
    cfgstore::EquivalencySide other;
    bool take = cfgstore::Seams().sharedPartner(Local(), tag.c_str(), false, &other) && other.system == system;
    if (!take && cfgstore::Seams().sharedPartner(Local(), tag.c_str(), true, &other) && other.system == system)
        take = hvresource::in_service(HeldCopyState(other.system, other.tag));
    if (!take) return 0;
    hv_debug(__FILE__, __LINE__, "LD.recover.multrecover", "local_restore_res: tg=%s ma=%s other=%s:%s\n", tag.c_str(),
             system, other.system.c_str(), other.tag.c_str());
    hv_err(__FILE__, __LINE__, 6, 418, "SHARED resource \"%s\" is being restored because machine \"%s\" has failed\n",
           tag.c_str(), system);
    qdbkivra::qdbglobact(0, "restore", nullptr);
    if (const int rc = hvresource::reserve_resources(tag.c_str(), 'R'); rc != 0) return rc;
    const int a = qdbkivra::qdbperfaction(nullptr, nullptr, tag.c_str(), "restore", const_cast<char*>("-R"), KIVRA_ALL, 1, 0);
    hvresource::clear_reservations(static_cast<long>(::getpid()));
    if (a == 0) {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr;
        if (r && r->get_inittype() == SEC_ISP) return r->set_inittype(AUTOSEC_ISP);
        return 0;
    }
    hv_err(__FILE__, __LINE__, 3, 419, "restore of resource \"%s\" has failed\n", tag.c_str());
    return a;
}

namespace cfgstore {
std::string RecoveredMarkOf(const char* system) { return std::string("!recovered!") + (system ? system : ""); }
}  // namespace cfgstore

int qdbrecover::local_mach_restore(const char* system) {
    if (system == nullptr || *system == '\0') return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "no failed system named");
    int rc = 0;
    xferlist_c list;
    std::vector<std::string> failed;
    for (const std::string& tag : cfgstore::PostOrderTags())
        if (local_restore_res(tag, system, list) != 0) {
            const int e = qdberrcheck();
            rc = e != 0 ? e : -1;
            failed.push_back(tag);
        }
    // A restore refused while the lost system still held what it ran (a
    // partition: it lives on, cut off) is tried again while that system stays
    // down: once it really dies its hold goes with it.
    for (int round = 0; !failed.empty() && round < pQdb_restoreretries; ++round) {
        std::this_thread::sleep_for(std::chrono::seconds(pQdb_restoreretrysecs > 0 ? pQdb_restoreretrysecs : 1));
        if (cfgstore::StopRequested() || sys_getstate(nullptr, system) != 'D') {
            qdberrclr();
            break;
        }
        std::vector<std::string> again;
        for (const std::string& tag : failed) {
            list.test_and_remove_from_list(tag.c_str());
            hv_err(__FILE__, __LINE__, 6, 418, "restore of resource \"%s\" tried again (%d of %d): machine \"%s\" is still down\n",
                   tag.c_str(), round + 1, pQdb_restoreretries, system);
            if (local_restore_res(tag, system, list) != 0) {
                qdberrcheck();
                again.push_back(tag);
            }
        }
        failed.swap(again);
    }
    if (failed.empty()) rc = 0;
    const int post = qdbkivra::qdbglobact(1, "restore", nullptr);
    list.remove_list();
    // The recovery of this loss has run to its end: the event is not run
    // again when the manager comes back.
    const std::string mark = cfgstore::RecoveredMarkOf(system);
    if (flg_test(nullptr, mark.c_str(), 0) != 0 && flg_create(nullptr, mark.c_str()) != 0) qdberrcheck();
    qdberrclr();
    return post != 0 ? -1 : rc;
}
