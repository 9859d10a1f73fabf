#include "QdbLock.h"

#include "CopyStaging.h"
#include "PreserveClient.h"
#include "QdbErrRecord.h"
#include "QdbStartup.h"
#include "platform/NamedMutex.h"
#include "platform/OwnerEvent.h"
#include "platform/PollUntil.h"
#include "platform/Win32Error.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <ctime>
#include <mutex>
#include <string>
#include <unistd.h>

using portlib::platform::NamedMutex;
using portlib::platform::OwnerEvent;

namespace {

// Kept for the life of the process.
std::mutex g_initMutex;
std::atomic<int> g_lockWaiters{0};
bool g_initDone = false;
NamedMutex g_mutex;
OwnerEvent g_event;  // the daemon's only

// The holds of the lock this thread has, and its signal mask from before the
// first: while it holds the lock, SIGINT, SIGTERM and SIGHUP wait, so that a
// Ctrl-C or a stop never ends the process in the middle of a change.
thread_local int t_holds = 0;
thread_local sigset_t t_maskBefore;

void FirstHold() {
    if (t_holds++ != 0) return;
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, sig);
    ::pthread_sigmask(SIG_BLOCK, &stops, &t_maskBefore);
}

void DropHolds(int n) {
    if (t_holds == 0) return;
    t_holds = n >= t_holds ? 0 : t_holds - n;
    if (t_holds == 0) ::pthread_sigmask(SIG_SETMASK, &t_maskBefore, nullptr);
}

// Set once the process stops: a tries loop ends after the try it is in.
std::atomic<bool> g_stopRequested{false};
// Set by the thread that stops the process under the lock: no other thread
// of it starts a change any more (one that holds the lock already finishes).
std::atomic<bool> g_lockClosed{false};
thread_local bool t_stopper = false;

// A thread that would start a change while the process ends: it waits for
// the end.
[[noreturn]] void WaitForTheEnd() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}


void DealWithEvent(const std::string& eventName) {
    OwnerEvent::State st;
    int rc = OwnerEvent::Query(eventName, &st);
    if (rc == 0) {
        if (qdbtest()) hv_err(__FILE__, __LINE__, 22, 458, "QDB Daemon is already running");
        sleep_till_qdb_avail(eventName.c_str());
        return;
    }
    if (rc != ENOENT) {
        errno = rc;
        hv_err(__FILE__, __LINE__, 22, kMsgDatabaseLock, "Unable to access QDB synchronization object");
        return;
    }
    if (qdbtest()) {
        rc = g_event.Create(eventName);
        if (rc == EEXIST) hv_err(__FILE__, __LINE__, 22, 458, "QDB Daemon is already running");
        if (rc != 0) {
            errno = rc;
            hv_err(__FILE__, __LINE__, 22, 473, "Unknown error in QDB synchronization");
        }
        return;
    }
    if (mxrtest()) {
        // The manager may start before the daemon: wait for the event to
        // appear, at most INITTIMEOUT seconds, trying every second.
        std::int64_t waited = 0;
        bool appeared = portlib::platform::PollUntil([&] { return (rc = OwnerEvent::Query(eventName, &st)) != ENOENT; },
                                                     static_cast<std::int64_t>(pQdb_inittimeout) * 1000, 1000, &waited);
        if (!appeared) {
            hv_err(__FILE__, __LINE__, 21, kMsgDatabaseLock,
                   "Wait period of %d seconds for QDB to become available has been exceeded",
                   static_cast<int>(waited / 1000));
            return;
        }
        sleep_till_qdb_avail(eventName.c_str());
        return;
    }
    hv_err(__FILE__, __LINE__, 22, 472, "Can't run this application without QDB Daemon running");
}

}  // namespace

void qdbinitlocks(int, const char* name, int) {
    std::lock_guard<std::mutex> guard(g_initMutex);
    if (g_initDone) return;
    std::string base = name ? name : "";
    DealWithEvent(base + "QDB");
    if (!g_mutex.IsOpen()) {
        bool created = false;
        std::string mutexName = base + "-sem";
        int rc = g_mutex.CreateOrOpen(mutexName, &created);
        if (rc != 0) {
            g_mutex.Close();
            errno = rc;
            hv_err(__FILE__, __LINE__, 22, 473, "Can't initialize semaphore set");
            return;
        }
        // The cluster service holds it too when it runs; without it nothing changes.
        if (created) (void)portlib::PreserveMutex(mutexName.c_str());
        cfgstore::AddCleanupStep(qdbrlsall);
    }
    g_initDone = true;
}

int qdbgetlock(const char* file, int line, unsigned ms) {
    if (!g_mutex.IsOpen()) return -1;
    if (g_lockClosed.load() && t_holds == 0 && !t_stopper) WaitForTheEnd();
    int err = 0;
    g_lockWaiters.fetch_add(1);
    const NamedMutex::WaitResult got = g_mutex.Lock(ms == kQdbWaitForever ? -1 : static_cast<std::int64_t>(ms), &err);
    g_lockWaiters.fetch_sub(1);
    switch (got) {
    case NamedMutex::WaitResult::Acquired: FirstHold(); return 0;
    case NamedMutex::WaitResult::Abandoned:
        FirstHold();
        pxm_err(5, kMsgDatabaseLock, file, line, PXM_EVENTLOG, 0,
                "the database lock was abandoned by a process that ended holding it; its last change may be "
                "incomplete");
        // What a dead holder may have left half-done is cleared and the
        // segment checked before anything reads it.
        cfgstore::RecoverAbandonedSegment();
        return 0;
    case NamedMutex::WaitResult::TimedOut: return 1;
    case NamedMutex::WaitResult::Failed: break;
    }
    // Going on as if the lock were held would change the segment unlocked.
    errno = err;
    hv_err(file, line, 24, kMsgDatabaseLock, "Unable to get locks: the wait on the database lock failed");
    return -1;
}

int qdbLockWaiters(void) { return g_lockWaiters.load(); }

int qdbrlslock(const char*, int) {
    if (!g_mutex.IsOpen()) return -1;
    if (g_mutex.Unlock() != 0) return 1;
    DropHolds(1);
    return 0;
}

void qdbrlsall(void) {
    if (!g_mutex.IsOpen()) return;
    while (g_mutex.Unlock() == 0) {
    }
    DropHolds(t_holds);
}

namespace cfgstore {

int LockHolds() { return t_holds; }

int ReleaseWholeLock() {
    if (!g_mutex.IsOpen()) return 0;
    int depth = 0;
    while (g_mutex.Unlock() == 0) ++depth;
    DropHolds(t_holds);
    return depth;
}

void RequestStop() { g_stopRequested.store(true); }

bool StopRequested() { return g_stopRequested.load(); }

int CloseLockForStop(unsigned ms) {
    RequestStop();
    t_stopper = true;
    g_lockClosed.store(true);
    return qdbgetlock(__FILE__, __LINE__, ms);
}

void RetakeLock(int depth) {
    for (int i = 0; i < depth; ++i)
        if (qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) != 0) break;
}

}  // namespace cfgstore

int doDaemonAvail(void) {
    if (!g_event.IsOwner()) return portlib::platform::HV_ERROR_SEM_NOT_FOUND;
    return g_event.Signal();
}

void sleep_till_qdb_avail(const char* eventName) {
    std::int64_t start = portlib::platform::MonotonicNowMs();
    for (;;) {
        int rc = OwnerEvent::WaitSignalled(eventName, static_cast<std::int64_t>(pQdb_inittimeout) * 1000);
        if (rc == 0) return;
        if (rc == ETIMEDOUT) {
            hv_err(__FILE__, __LINE__, 21, kMsgDatabaseLock,
                   "Wait period of %d seconds for QDB to become available has been exceeded",
                   static_cast<int>((portlib::platform::MonotonicNowMs() - start) / 1000));
        } else if (rc == ENOENT) {
            // The daemon ended before it had loaded the database.
            hv_err(__FILE__, __LINE__, 22, 472, "Can't run this application without QDB Daemon running");
        } else {
            errno = rc;
            hv_err(__FILE__, __LINE__, 22, kMsgDatabaseLock, "Unable to access QDB synchronization object");
        }
    }
}
