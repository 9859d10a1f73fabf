#include "QdbStartup.h"

#include "AutoQdbLock.h"
#include "QdbLock.h"
#include "ShmMgr.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "application.h"
#include "dependency.h"
#include "equivalency.h"
#include "flg.h"
#include "hvresource.h"
#include "network.h"
#include "resource_type.h"
#include "systems.h"
#include "qdberr.h"
#include "platform/PollUntil.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "qdbexec.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
qdb_cps_t pQdb_cps[8] = {};
}

const QdbTableLoad kQdbTableLoads[8] = {
    {"systems", &systems::sys_readall},    {"network", &network::net_readall},    {"application", &application::app_readall},
    {"resource type", &resource_type::typ_readall}, {"resource instance", &hvresource::ins_readall}, {"resource dependency", &dependency::dep_readall}, {"equivalency", &equivalency::eqv_readall}, {"flags", &flg::flg_readall},
};

namespace {

std::atomic<int> g_appId{0};

// The start-up's state: once per process, thread-safely, re-entrant on the
// thread that runs it (the table loads call database functions).
enum class StartState { NotStarted, Running, Done };
std::mutex g_startMutex;
std::condition_variable g_startDone;
StartState g_state = StartState::NotStarted;
std::atomic<bool> g_started{false};
std::thread::id g_runner;
int g_callers = 0;  // threads inside qdbpinit's running or waiting part; under g_startMutex
std::atomic<bool> g_waitingForManager{false};

std::once_flag g_initOnce;


void FillTableDescriptors() {
    static const struct {
        char type;
        const char* name;
        int n;
    } kTables[8] = {{'A', "systems", 1},           {'B', "network", 2},           {'C', "application", 1},
                    {'D', "resource type", 2},     {'E', "resource instance", 1}, {'F', "resource dependency", 2},
                    {'G', "equivalency", 5},       {'H', "flags", 1}};
    for (int i = 0; i < 8; ++i) {
        pQdb_cps[i].type = kTables[i].type;
        pQdb_cps[i].name = kTables[i].name;
        pQdb_cps[i].n = kTables[i].n;
    }
    pQdb_cps[0].sync = [] { return sys_sync(nullptr); };
    pQdb_cps[1].sync = [] { return net_sync(nullptr); };
    pQdb_cps[7].sync = [] { return flg_sync(nullptr); };
    pQdb_cps[2].sync = [] { return app_sync(nullptr); };
    pQdb_cps[3].sync = [] { return typ_sync(nullptr); };
    pQdb_cps[4].sync = [] { return res_sync(nullptr); };
    pQdb_cps[2].remthis = &application::app_remthis;
    pQdb_cps[3].remthis = &resource_type::typ_remthis;
    pQdb_cps[4].remthis = &hvresource::ins_remthis;
    pQdb_cps[5].remthis = &dependency::dep_remthis;
    pQdb_cps[6].remthis = &equivalency::eqv_remthis;
    pQdb_cps[6].sync = [] { return eqv_sync(nullptr); };
}

// Pending action flags do not survive a restart: the processes that waited
// under them are gone.
void DropActionFlags() {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1, 0);
    if (db == nullptr) return;
    static constexpr char kPrefix[] = "!action!";
    std::vector<flg*> stale;
    DbIter it;
    it.iterInit(FLG, db);
    for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next()))
        if (std::strncmp(f->flgName(), kPrefix, sizeof kPrefix - 1) == 0) stale.push_back(f);
    for (flg* f : stale) f->destroy();
}

// The local system's own record, ALIVE when it is new; a record loaded from
// the systems file is kept as it is.
void CreateLocalSystem() {
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1, 1);
        systems* s = db != nullptr ? systems::alloc(db) : nullptr;
        if (s != nullptr) {
            if (s->create(pQdb_uname, 0) == 0) {
                s->set_state('A', "");
            } else {
                if (Qdb_errno == QDB_EXIST) qdberrclr();
                s->destroy();
            }
        }
    }
    qdbfatalcheck();
}

// The priority of the process: the resource-initialising program runs
// before the manager exists and does not wait for it; every other program
// but the manager waits for it. A refusal (no privilege to raise the
// priority) is only traced.
void SetPriorityAndWait() {
    const char* arg0 = pQdb_arg0 != nullptr ? pQdb_arg0 : "";
    const char* slash = std::strrchr(arg0, '/');
    const char* base = slash != nullptr ? slash + 1 : arg0;
    const bool initres = std::strcmp(base, "qdbinitres") == 0;
    if (!initres && mxrtest()) return;
    const int which = initres || qdbtest() ? 1 : 2;
    if (sethvpriority(which) == 0)
        hv_debug(__FILE__, __LINE__, "qdbinit", "qdbinit: priority set %d refused (errno %d)\n", which, errno);
    if (!initres) qdbWaitForManager();
}

// Another system's copy is loaded from that system when it is looked up
// without a valid stamp.
int LoadCopy(DbMgr* db) { return ShmMgr::cacheRemDb(db->dbName(), db); }

void RunStartup() {
    FillTableDescriptors();
    ::umask(022);
    if (pQdb_rootdir == nullptr) pQdb_rootdir = const_cast<char*>(gps(kPathRoot));
    if (pQdb_uname == nullptr) {
        portlib::utsname u {};
        if (qdb_uname(&u) < 0) hv_err(__FILE__, __LINE__, 22, 331, "qdb_uname failed");
        pQdb_uname = ::strdup(u.nodename);
    }
    cfgstore::ReadTunables();
    ShmMgr::setCacheLoader(&LoadCopy);
    qdbinitlocks(pQdb_doinit, gps(kPathObjectBase), 108);
    int isnew = 0;
    if (qdbCreate(gps(kPathObjectBase), 108, pQdb_doinit, &isnew) == nullptr) qdbfatalcheck();
    if (isnew) {
        pQdb_shgp->mgrEventPending = 1;
        pQdb_shgp->mgrAvailable = 0;
        pQdb_shgp->startupPassDue = pQdb_doinit ? 1 : 0;
        for (const QdbTableLoad& load : kQdbTableLoads) {
            if (load.readAll != nullptr && load.readAll() == -1) qdbfatalcheck();
        }
        DropActionFlags();
        std::memset(pQdb_shgp->changed, 0, sizeof pQdb_shgp->changed);
        // What was just loaded is what the files hold: no type's instances
        // file needs writing yet.
        DbIter types;
        types.iterInit(RESTYPE, ShmMgr::findDbMgr(nullptr, 0));
        for (auto* t = static_cast<resource_type*>(types.current()); t != nullptr; t = static_cast<resource_type*>(types.next()))
            t->inschanged = 0;
        CreateLocalSystem();
        // Only now may other processes see the segment: it holds the whole load.
        if (qdbPublish() != 0) qdbfatalcheck();
    }
    doDaemonAvail();
    SetPriorityAndWait();
    // A fresh load gives every instance its state, and the tables are
    // written with them (here, or later by a daemon that must answer other
    // systems meanwhile). A daemon that finds the segment of one that died
    // before its pass ended runs the pass itself: else nothing would bring
    // the hierarchies back after that boot.
    const bool passDue = pQdb_doinit && (isnew || pQdb_shgp->startupPassDue != 0);
    if (passDue && !qdbStartupPassDeferred()) qdbRunStartupPass();
}

}  // namespace

void setAppId(int id) { g_appId.store(id); }
bool qdbtest() { return g_appId.load() == 1; }
bool mxrtest() { return g_appId.load() == 2; }

void qdbWaitForManager(void) {
    if (pQdb_shgp == nullptr) return;
    volatile std::int32_t* word = &pQdb_shgp->mgrAvailable;
    std::int64_t waited = 0;
    g_waitingForManager.store(true);
    const bool came = portlib::platform::PollUntil([word] { return *word != 0; },
                                                   static_cast<std::int64_t>(pQdb_inittimeout) * 1000, 250, &waited);
    g_waitingForManager.store(false);
    if (!came) {
        // The figure is the time really waited.
        hv_err(__FILE__, __LINE__, 21, 333, "wait period of %u seconds for MXR to become available has been exceeded",
               static_cast<unsigned>(waited / 1000));
    }
}

void qdbpinit(void) {
    if (g_started.load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lk(g_startMutex);
    if (g_state == StartState::Done) return;
    if (g_state == StartState::Running) {
        if (g_runner == std::this_thread::get_id()) return;
        ++g_callers;
        g_startDone.wait(lk, [] { return g_state == StartState::Done; });
        --g_callers;
        return;
    }
    g_state = StartState::Running;
    g_runner = std::this_thread::get_id();
    ++g_callers;
    lk.unlock();
    RunStartup();
    lk.lock();
    --g_callers;
    g_state = StartState::Done;
    g_started.store(true, std::memory_order_release);
    g_startDone.notify_all();
}

int qdbStartupCallers(void) {
    std::lock_guard<std::mutex> lk(g_startMutex);
    return g_callers;
}

bool qdbWaitingForManager(void) { return g_waitingForManager.load(); }

void qdbinit(void) {
    std::call_once(g_initOnce, [] {
        qdbinitsig();
        qdbpinit();
    });
}
