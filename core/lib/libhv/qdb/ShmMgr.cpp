#include "ShmMgr.h"

#include "CopyStaging.h"
#include "DbMgr.h"
#include "PreserveClient.h"
#include "QdbLock.h"
#include "ShmList.h"
#include "ShmStr.h"
#include "platform/SharedSegment.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

using namespace qdbshm;

extern "C" {
char* pShmPtr = nullptr;
SharedGlobal* pQdb_shgp = nullptr;
}

namespace {

std::mutex g_segMutex;  // guards g_segment and g_segName within the process
portlib::platform::SharedSegment g_segment;
std::string g_segName;
ShmMgr::CacheLoader g_cacheLoader = nullptr;

void SetBase(char* base) {
    pShmPtr = base;
    pQdb_shgp = base ? &reinterpret_cast<SegHeader*>(base)->shgp : nullptr;
}

// Maps the live segment and checks its header against the file's size.
// Null with *rc ENOENT when there is none (not reported), or another value
// (reported).
char* AttachLocked(const std::string& segName, int* rc) {
    *rc = g_segment.Attach(segName);
    if (*rc != 0) {
        if (*rc != ENOENT) {
            errno = *rc;
            hv_err(__FILE__, __LINE__, 24, 1063, "ShmMgr::new;OpenFileMapping");
        }
        return nullptr;
    }
    if (!ShmPages::HeaderFits(g_segment.Base(), g_segment.Size())) {
        hv_err(__FILE__, __LINE__, 24, 1064, QDB_INT, "ShmMgr::new; MapViewOfFile (size %zu, pagesAllocated %d)",
               g_segment.Size(), static_cast<const SegHeader*>(g_segment.Base())->pagesAllocated);
        g_segment.Detach();
        *rc = EPROTO;
        return nullptr;
    }
    g_segName = segName;
    SetBase(static_cast<char*>(g_segment.Base()));
    return pShmPtr;
}

}  // namespace

const char* StgTypeName(std::int32_t type) {
    static const char* const kNames[] = {"FREE",  "LIST",     "DBMGR",   "FLG",    "SYSTEM",  "DEPEND", "EQUIV", "ELIST",
                                         "RESOURCE", "RESTYPE", "APPLIC", "NETWORK", "STRING", "REGPROC", "MAX"};
    return type >= 0 && type <= MAX ? kNames[type] : "?";
}

int ShmMgr::initSegment(char* base, std::uint32_t size, const char* localName) {
    ShmPages::Format(base, size);
    char* old = pShmPtr;
    SetBase(base);
    DbMgr* db = DbMgr::create(localName, kLocalDbPages);
    if (db == nullptr) SetBase(old);
    return db ? 0 : -1;
}

char* qdbCreate(const char* name, int, int, int* isnew) {
    if (isnew) *isnew = 0;
    if (qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) != 0) return nullptr;
    std::string segName = std::string(name ? name : "") + "-shm";
    char* base = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_segMutex);
        int rc = 0;
        if (pShmPtr != nullptr) {
            base = pShmPtr;
        } else if ((base = AttachLocked(segName, &rc)) == nullptr && rc == ENOENT) {
            std::uint32_t size = pQdb_shmmaxsiz;
            if (size < kMinSegmentSize || size > kMaxSegmentSize) {
                // Below the minimum the local database does not fit (and the
                // pool would be computed from a negative size); at 2^31 the
                // offsets would turn negative.
                hv_err(__FILE__, __LINE__, 23, 1057, QDB_ARGS, "ShmMgr::new;CreateFileMapping: SHMMAXSIZ %u is outside %u to %u",
                       size, kMinSegmentSize, kMaxSegmentSize);
            } else if (int rc = g_segment.Create(segName, size); rc != 0) {
                errno = rc;
                hv_err(__FILE__, __LINE__, 24, 1057, "ShmMgr::new;CreateFileMapping");
            } else if (ShmMgr::initSegment(static_cast<char*>(g_segment.Base()), size, pQdb_uname) != 0) {
                hv_err(__FILE__, __LINE__, 24, 1060, QDB_INT, "ShmMgr::new;MapViewOfFile: no room for the local database");
                g_segment.Detach();
                SetBase(nullptr);
            } else {
                g_segName = segName;
                base = pShmPtr;
                if (isnew) *isnew = 1;
            }
        }
    }
    // The lock may have come back abandoned before the segment was mapped.
    if (base != nullptr) cfgstore::RecoverIfPending();
    qdbrlslock(__FILE__, __LINE__);
    return base;
}

int qdbPublish(void) {
    std::string name;
    {
        std::lock_guard<std::mutex> guard(g_segMutex);
        if (g_segment.Base() == nullptr || g_segment.IsPublished()) return 0;
        int rc = g_segment.Publish();
        if (rc != 0) {
            SetBase(nullptr);
            errno = rc;
            hv_err(__FILE__, __LINE__, 24, 1057, rc == EEXIST ? QDB_EXIST : 0,
                   "ShmMgr::new;CreateFileMapping: the segment cannot be published");
            return -1;
        }
        name = g_segName;
    }
    // Asks the cluster service to hold the segment too; without the service
    // nothing changes.
    (void)portlib::PreserveShm(name.c_str());
    return 0;
}

char* qdbAttach(const char* name, int) {
    std::lock_guard<std::mutex> guard(g_segMutex);
    if (pShmPtr != nullptr) return pShmPtr;
    int rc = 0;
    char* base = AttachLocked(std::string(name ? name : "") + "-shm", &rc);
    if (rc == ENOENT) {
        errno = rc;
        hv_err(__FILE__, __LINE__, 24, 1063, "ShmMgr::new;OpenFileMapping");
    }
    return base;
}

void qdbDetach(void) {
    std::lock_guard<std::mutex> guard(g_segMutex);
    g_segment.Detach();
    SetBase(nullptr);
}

void qdbRemove(void) { qdbDetach(); }

void ShmMgr::setCacheLoader(CacheLoader loader) { g_cacheLoader = loader; }

DbMgr* ShmMgr::findDbMgr(const char* name, int load) {
    if (pShmPtr == nullptr) return nullptr;
    if (name == nullptr) name = pQdb_uname;
    if (name == nullptr) return nullptr;
    MemMgr mgr = DbMgr::manager();
    std::int32_t page = -1, elem = -1;
    while (auto* db = static_cast<DbMgr*>(mgr.memNext(DBMGR, page, elem))) {
        const char* n = db->dbName();
        if (n == nullptr || std::strcmp(n, name) != 0) continue;
        if (load && g_cacheLoader != nullptr && !db->islocal() && !db->tStamp.valid()) g_cacheLoader(db);
        return db;
    }
    return nullptr;
}

int ShmMgr::delDbMgr(const char* name) {
    DbMgr* db = findDbMgr(name, 0);
    if (db == nullptr) return 0;
    if (!db->islocal()) DbMgr::destroy(db);
    return 1;
}
