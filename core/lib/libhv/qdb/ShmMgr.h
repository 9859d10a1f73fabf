// The database segment "HVNT-shm" of this process: creation, attach, detach,
// and the directory of the databases it holds (one DbMgr per system, in the
// manager's own page chain).
//
// The segment is a named shared segment (platform SharedSegment): the creator
// builds and loads it under a temporary name and publishes it when the load
// is done (qdbPublish), so no process ever attaches a half-built database; a
// segment that every process has left is gone, and the next start loads
// afresh from the table files.
#pragma once

#include "QdbShmLayout.h"
#include "ShmPages.h"

#include <cstddef>
#include <cstdio>

class DbMgr;

// Base of the mapping in this process; null before attach and after detach.
extern "C" char* pShmPtr;
// The shared global part (pShmPtr + 32).
extern "C" qdbshm::SharedGlobal* pQdb_shgp;

// The segment at pShmPtr (an empty view when none is mapped).
inline ShmPages QdbPages() { return ShmPages(pShmPtr); }

// Creates (builds, not yet published) or attaches the segment `name` + "-shm"
// under the database lock; a new one gets the local database (the local node
// name, 14 pages). *isnew tells which. The base, or null (reported).
// n and doinit are accepted and not used.
char* qdbCreate(const char* name, int n, int doinit, int* isnew);
// Makes a segment built by qdbCreate visible to other processes. 0 or -1
// (reported); a segment that is attached, not built, is left as it is.
int qdbPublish(void);
// Attaches the existing segment. The base or null (reported).
char* qdbAttach(const char* name, int n);
void qdbDetach(void);
void qdbRemove(void);

class ShmMgr {
public:
    // Fixed at creation; the pool never grows.
    static int reattach() { return 0; }
    static int getMorePages() { return 0; }
    static void notifyRegProcs() {}

    static bool isShared(const void* p) { return QdbPages().isShared(p); }

    // The database of system `name` (null: the local node), or null. With
    // load set, another system's copy without a valid stamp is (re)loaded
    // first by the cache loader, when one is installed.
    static DbMgr* findDbMgr(const char* name, int load);
    // Deletes the named database unless it is the local one. 1 when found
    // (deleted, or local and kept), 0 when not.
    static int delDbMgr(const char* name);

    // Who loads another system's copy (installed by the cached-database
    // part). Returns 0 or -1 with the thread's error record set.
    using CacheLoader = int (*)(DbMgr* db);
    static void setCacheLoader(CacheLoader loader);

    // (Re)loads db, the copy of system `name`, from that system's
    // "cacheServer". Nothing while db is being loaded already. 0, or -1 with
    // the thread's error record set (the stamp stays {0, 0}).
    static int cacheRemDb(const char* name, DbMgr* db);
    // The local database only: stamp {now, 0}, broadcast to the others'
    // "QDBTSTAMP.<name>" mailboxes.
    static void updTStamp(DbMgr* db);

    // Debugging dumps to `out`.
    static void dbgDump(std::FILE* out);
    static void dbgPage(std::FILE* out, std::int32_t n);
    static void dispObj(std::FILE* out, const void* elem);

    // Lays out a fresh segment at base (size bytes) and makes the local
    // database named `localName`. 0, or -1 when the segment cannot hold it.
    static int initSegment(char* base, std::uint32_t size, const char* localName);
};
