// The systems table's C interface.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ProxyPostOffice.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "SharedManagerPipe.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "systems.h"
#include "platform/TestTimeScale.h"

#include <cstring>
#include <string>
#include <vector>

using cfgstore::IsLocalSystem;

namespace {

// How long a broadcast made under the database lock waits for the manager.
constexpr unsigned kBroadcastManagerWaitMs = 10000;

const char* LocalName() { return pQdb_uname ? pQdb_uname : ""; }

// Whether the local manager has a live path to system.
bool Reachable(const char* system) {
    ProxyPostOffice proxy;
    return proxy.IsHostAlive(bStr(system)) == Message::OKAY;
}

}  // namespace

extern "C" int sys_create(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0')
        return hv_err(__FILE__, __LINE__, 23, 426, QDB_ARGS, "must specify new system name");
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'A', 'a', "%s", name);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    systems* s = systems::alloc(db);
    if (s == nullptr) return hv_err(__FILE__, __LINE__, 23, 426, QDB_INT, "no room for system %s", name);
    if (s->create(name, 0) != 0) {
        cfgstore::SavedError keep;
        s->destroy();
        return -1;
    }
    systems::broadcastUpdate('a', name, db, 'U', nullptr);
    // A path to it may be up already: no path event will say so, and a
    // system left UNKNOWN is sent no cache updates. The post office is asked
    // without the lock.
    if (IsLocalSystem(name) || pQdb_shgp == nullptr || pQdb_shgp->mgrAvailable == 0) return 0;
    lk.release();
    const int depth = cfgstore::ReleaseWholeLock();
    const bool reachable = Reachable(name);
    cfgstore::RetakeLock(depth);
    if (!reachable) return 0;
    db = lk.getDbMgr(nullptr, -1, 1000, 0);
    s = systems::find(db, name);
    if (s == nullptr || s->get_state() != 'U') return 0;
    // The system stands as created even when its state cannot be set.
    const std::string descr = std::string("reachable when created at ") + qdbnow();
    if (s->set_state('A', descr.c_str()) != 0) qdberrcheck();
    return 0;
}

extern "C" int sys_remove(const char* dest, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0')
        return hv_err(__FILE__, __LINE__, 23, 427, QDB_ARGS, "must specify system name to remove");
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'A', 'c', "%s", name);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    systems* s = systems::find(db, name);
    if (s == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 428, QDB_NOEXIST, "system \"%s\" not defined on machine \"%s\".", name,
                      LocalName());
    if (s->remove() != 0) return -1;
    // The record is found again: its paths were removed without the lock.
    if ((s = systems::find(db, name)) != nullptr) s->destroy();
    systems::broadcastUpdate('c', name, db, 'U', nullptr);
    return 0;
}

extern "C" int sys_setstate(const char* dest, const char* name, int state, const char* description) {
    qdbpinit();
    if (name == nullptr || *name == '\0') return hv_err(__FILE__, __LINE__, 23, 429, QDB_ARGS, "must specify system name");
    if (!IsLocalSystem(dest))
        return qdbsendremote(nullptr, dest, 'A', 'f', "s%c%s\x01%s", state, name, description ? description : "");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    systems* s = systems::find(db, name);
    if (s == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 430, QDB_ARGS, "system \"%s\" not defined on machine \"%s\".", name,
                      LocalName());
    return s->set_state(state, description);
}

extern "C" int sys_getstate(const char* dbsys, const char* name) {
    qdbpinit();
    if (name == nullptr || *name == '\0') {
        hv_err(__FILE__, __LINE__, 23, 432, QDB_ARGS, "must specify system name");
        return 'U';
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (const systems* s = systems::find(db, name)) return s->get_state();
    hv_err(__FILE__, __LINE__, 23, 433, QDB_ARGS, "system \"%s\" not defined on machine \"%s\".", name,
           IsLocalSystem(dbsys) ? LocalName() : dbsys);
    return 'U';
}

extern "C" char* sys_getdescr(const char* dbsys, const char* name, char* buf) {
    qdbpinit();
    if (name == nullptr || *name == '\0') {
        hv_err(__FILE__, __LINE__, 23, 431, QDB_ARGS, "must specify system name");
        return nullptr;
    }
    if (buf == nullptr) return nullptr;
    *buf = '\0';
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (const systems* s = systems::find(db, name))
        std::strcpy(buf, s->get_state_descr());
    else
        hv_err(__FILE__, __LINE__, 23, 435, QDB_ARGS, "system \"%s\" not defined on machine \"%s\".", name,
               IsLocalSystem(dbsys) ? LocalName() : dbsys);
    return buf;
}

extern "C" char** sys_list(const char* dbsys) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 1);
    if (db == nullptr) return nullptr;
    return cfgstore::RecordNames<systems>(db, SYSTEM);
}

extern "C" int sys_sync(const char* dest) {
    qdbpinit();
    if (!IsLocalSystem(dest)) return qdbsendremote(nullptr, dest, 'A', 'b', "%s", "");
    return cfgstore::WriteTableFile(qdbshm::kChangedSystems, "systems", &systems::getall, 436);
}

void sys_mbxInit(ProxyPostOffice& proxy) {
    std::vector<std::string> names;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        DbIter it;
        it.iterInit(SYSTEM, db);
        for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next()))
            if (!IsLocalSystem(s->sysName())) names.push_back(std::string("QDBTSTAMP.") + s->sysName());
    }
    // The post office is asked without the lock held.
    for (const std::string& n : names) proxy.CreateMailBox(n.c_str());
}

int broadcastMsg(DbMgr* db, const char* data, const char* mailbox) {
    if (db == nullptr || data == nullptr) return -20;
    if (pQdb_shgp == nullptr || pQdb_shgp->mgrAvailable == 0) return -21;
    if (mailbox == nullptr) mailbox = gps(kPathDaemonMailbox);
    const char* own = db->dbName();
    std::vector<std::string> targets;
    DbIter it;
    it.iterInit(SYSTEM, db);
    for (auto* s = static_cast<systems*>(it.current()); s != nullptr; s = static_cast<systems*>(it.next()))
        // Every system not held down: one made while no path led to it ('U')
        // must not miss the changes it is reached with.
        if (s->get_state() != 'D' && (own == nullptr || std::strcmp(s->sysName(), own) != 0))
            targets.push_back(s->sysName());
    if (targets.empty()) return 0;
    // Sent under the database lock, which the manager's host takes as it
    // starts: a manager that is gone is not waited for without end (the
    // message is lost then, as it is while the manager is down).
    SharedManagerPipe::Bound managerWait(portlib::platform::ScaledMs(kBroadcastManagerWaitMs));
    ProxyPostOffice proxy;
    for (const std::string& t : targets) {
        hv_debug(__FILE__, __LINE__, "mes.broadcastMsg", "Sys: %s, Mbx: %s, Msg: %s\n", t.c_str(), mailbox, data);
        MessagePtr msg(new Message());
        msg->SetDataStr(bStr(data));
        msg->SetReplyToSys(bStr(own ? own : ""));
        msg->SetReplyToMbox(bStr(kQdbNoReply));
        proxy.SendToMboxAsynch(t.c_str(), mailbox, msg);
    }
    return 0;
}
