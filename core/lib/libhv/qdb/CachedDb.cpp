#include "CachedDb.h"

#include "CopyStaging.h"
#include "CrashPoint.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "ProxyPostOffice.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "ReplyDeadline.h"
#include "SharedManagerPipe.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "application.h"
#include "dependency.h"
#include "equivalency.h"
#include "flg.h"
#include "hvresource.h"
#include "network.h"
#include "platform/TestTimeScale.h"
#include "resource_type.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "systems.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <chrono>
#include <optional>
#include <random>
#include <thread>

namespace {

// How long a load waits for the nine replies. A cache server answers at once
// from memory, or busy after half a second; a daemon that is gone while its
// manager runs never answers, and the load holds the database lock. A test
// build may shorten it (HV_TEST_TIME_SCALE).
constexpr unsigned kCacheReplyWaitMs = 10000;

// The table that loads the reply at each position into a copy (null: the
// table is not kept yet and its text is dropped).
using CopyLoader = int (*)(const char* dbsys, char* text);
int LoadSystems(const char* dbsys, char* text) { return systems::createmany(dbsys, text, 1); }
int LoadFlags(const char* dbsys, char* text) { return flg::createmany(dbsys, text, 1); }
int LoadApplications(const char* dbsys, char* text) { return application::createmany(dbsys, text, 1); }
int LoadTypes(const char* dbsys, char* text) { return resource_type::loadall(dbsys, text, 1); }
int LoadInstances(const char* dbsys, char* text) {
    return hvresource::createmany(const_cast<char*>(dbsys), nullptr, nullptr, nullptr, text, 1);
}
int LoadDependencies(const char* dbsys, char* text) { return dependency::createmany(dbsys, text, 1); }
int LoadEquivalencies(const char* dbsys, char* text) { return equivalency::createmany(dbsys, text, 1); }
int LoadNetworks(const char* dbsys, char* text) { return network::createmany(0, dbsys, text, 0); }
const CopyLoader kCopyLoaders[cfgstore::kCacheReplyCount] = {
    nullptr, LoadSystems, LoadApplications, LoadTypes, LoadInstances, LoadFlags, LoadDependencies, LoadEquivalencies, LoadNetworks,
};

}  // namespace

int ShmMgr::cacheRemDb(const char* name, DbMgr* db) {
    return cfgstore::LoadCopyWithin(name, db, portlib::platform::ScaledMs(kCacheReplyWaitMs));
}

namespace {

// The systems whose copy this thread is loading: a lookup made by the load
// itself never starts another load of the same copy.
thread_local std::vector<std::string> t_loading;

class LoadingGuard {
public:
    explicit LoadingGuard(const char* system) { t_loading.emplace_back(system); }
    ~LoadingGuard() { t_loading.pop_back(); }
    static bool Active(const char* system) {
        for (const std::string& s : t_loading)
            if (s == system) return true;
        return false;
    }
};

// True when the local systems table holds system as down: its copy keeps
// the states it had when it died, which the recovery reads.
bool HeldDown(const char* system) {
    DbMgr* local = ShmMgr::findDbMgr(nullptr, 0);
    const systems* s = local ? systems::find(local, system) : nullptr;
    return s != nullptr && s->get_state() == 'D';
}

}  // namespace

int cfgstore::LoadCopyWithin(const char* name, DbMgr* db, unsigned replyWaitMs) {
    // A staging copy is filled by the load that made it, never loaded itself
    // (its loaders look it up as they fill it).
    if (db == nullptr || name == nullptr || LoadingGuard::Active(name) || cfgstore::IsStagingName(name)) return 0;
    if (HeldDown(name))
        return hv_err(__FILE__, __LINE__, 23, 326, QDB_MES, "system \"%s\" is down: its copy is kept as it was", name);
    hv_debug(__FILE__, __LINE__, "LD.cacheRemDb", "ShmMgr::cacheRemDb: loading the copy of %s\n", name);
    LoadingGuard guard(name);
    // Stale until the new records are in; the old ones stay readable.
    db->tStamp = QdbDbTime{0, 0};
    const std::string stagingName = cfgstore::StagingName(name);
    if (DbMgr* left = ShmMgr::findDbMgr(stagingName.c_str(), 0)) DbMgr::destroy(left);
    DbMgr* staging = DbMgr::create(stagingName.c_str(), 1);
    if (staging == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 371, QDB_INT, "cacheRemDb: no room to load the copy of %s", name);
    db->loading = 1;
    QdbDbTime fresh{0, 0};

    const std::string mbox = cfgstore::NextReplyMailbox();
    // The caller holds the database lock, which the manager's host takes as
    // it starts: the manager is waited for no longer than the replies.
    SharedManagerPipe::Bound managerWait(replyWaitMs);
    ProxyPostOffice proxy;
    int rc = 0;
    if (!proxy.GetPipeHeadPtr().Ok())
        rc = hv_err(__FILE__, __LINE__, 23, 373, QDB_MES, "cacheRemDb: no manager answered within %u s",
                    replyWaitMs / 1000);
    else if (proxy.CreateMailBox(mbox.c_str()) != Message::OKAY)
        rc = hv_err(__FILE__, __LINE__, 23, 371, QDB_MES, "cacheRemDb: cannot create private mailbox %s",
                    mbox.c_str());
    // A system that is not alive is reported with code 9 and no reply is
    // waited for.
    if (rc == 0) rc = qdbsendmes(0, pQdb_uname, mbox.c_str(), name, cfgstore::kCacheServerMailbox, "@m", 2);
    std::optional<ReplyDeadline> deadline;
    if (rc == 0) deadline.emplace(mbox, replyWaitMs);
    for (int i = 0; rc == 0 && i < cfgstore::kCacheReplyCount; ++i) {
        MessagePtr msg;
        char* text = nullptr;
        rc = qdbRcvMsg(proxy, msg, mbox.c_str(), name, &text);
        if (rc != 0) {
            if (deadline->Expired()) {
                qdberrclr();
                hv_err(__FILE__, __LINE__, 23, 373, QDB_MES, "cacheRemDb: no answer from system \"%s\" within %u s",
                       name, replyWaitMs / 1000);
            }
            break;
        }
        std::string copy = text ? std::string(text, static_cast<std::size_t>(msg->GetDataStr().StrLen() - 1)) : "";
        if (i == 0) {
            fresh.rebuildFrom(copy.c_str());
        } else if (kCopyLoaders[i] != nullptr && kCopyLoaders[i](staging->dbName(), copy.data()) != 0) {
            // A bad line is reported; the rest of the copy stays usable.
            qdberrcheck();
        }
        cfgstore::CrashPoint("copy-load-reply");
    }
    deadline.reset();
    proxy.RemoveMailBox(mbox.c_str());
    if (rc == 0) {
        cfgstore::SwapInCopy(db, staging);
        db->tStamp = fresh;
    } else {
        DbMgr::destroy(staging);
    }
    db->loading = 0;
    return rc;
}

void ShmMgr::updTStamp(DbMgr* db) {
    if (db == nullptr || !db->islocal()) return;
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    db->tStamp = QdbDbTime{now, 0};
    broadcast(db->dbName(), now);
}

int broadcast(const char* system, std::uint32_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%x\x01\n", static_cast<unsigned>(time));
    const std::string mailbox = std::string("QDBTSTAMP.") + (system ? system : "");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    return broadcastMsg(db, text, mailbox.c_str());
}

QdbDbTime getDbTime(const char* system, int mode) {
    qdbpinit();
    if (cfgstore::IsLocalSystem(system)) system = nullptr;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = nullptr;
    if (mode == kCacheForceReload) {
        db = lk.getDbMgr(system, -1, 1000, 0);
        if (db != nullptr && !db->islocal()) {
            db->tStamp = QdbDbTime{0, 0};
            lk.release();
            db = lk.getDbMgr(system, -1, 1, 1);
        }
    } else {
        db = lk.getDbMgr(system, -1, 1000, mode == kCacheNoLoad ? 0 : 1);
    }
    return db != nullptr ? db->tStamp : QdbDbTime{0, 0};
}

namespace cfgstore {

int ReloadCopy(const char* system, unsigned replyWaitMs, int tries) {
    int rc = -1;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0 && StopRequested()) break;
        if (attempt > 0) {
            // Both systems may be loading each other at once: each answers the
            // other busy, so they part for a random while.
            thread_local std::mt19937 gen{std::random_device{}()};
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(100, 600)(gen)));
        }
        int code = 0;
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            DbMgr* db = ShmMgr::findDbMgr(system, 0);
            if (db == nullptr || db->islocal()) return -1;
            rc = LoadCopyWithin(system, db, replyWaitMs);
            code = Qdb_errno;
            qdberrclr();
        }
        if (rc == 0 || code != QDB_RETRY) break;
    }
    return rc;
}

int CacheReplies(std::vector<std::string>* out, unsigned lockMs) {
    if (qdbgetlock(__FILE__, __LINE__, lockMs) != 0) {
        qdberrclr();
        return QDB_RETRY;
    }
    DbMgr* db = ShmMgr::findDbMgr(nullptr, 0);
    if (db == nullptr || db->loading) {
        qdbrlslock(__FILE__, __LINE__);
        return QDB_RETRY;
    }
    out->assign(kCacheReplyCount, std::string());
    (*out)[0] = db->tStamp.text();
    systems::getall((*out)[1]);
    application::getall((*out)[2]);
    resource_type::getall((*out)[3]);
    for (hvresource* r : cfgstore::AllInstances(db)) {
        r->getrec((*out)[4], true);
        r->getrec((*out)[6]);
    }
    flg::getall((*out)[5]);
    equivalency::getall(db, (*out)[7]);
    network::getall((*out)[8]);
    qdbrlslock(__FILE__, __LINE__);
    return 0;
}

int ServeCacheRequest(const MessagePtr& request, unsigned lockMs) {
    const bStr data = request->GetDataStr();
    if (data.StrLen() != 2 || std::memcmp(data.StrPtr(), "@m", 2) != 0) {
        hv_err(23, 0, QDB_ARGS, "cacheServer: not a cache request");
        qdbsenderr(request);
        qdberrclr();
        return QDB_ARGS;
    }
    std::vector<std::string> replies;
    if (CacheReplies(&replies, lockMs) != 0) {
        hv_err(23, 0, QDB_RETRY, "cacheServer: database of \"%s\" busy, try again", pQdb_uname ? pQdb_uname : "");
        qdbsenderr(request);
        qdberrclr();
        return QDB_RETRY;
    }
    for (const std::string& r : replies)
        if (qdbsendret(request, "%s", r.c_str()) != 0) break;
    return 0;
}

}  // namespace cfgstore
