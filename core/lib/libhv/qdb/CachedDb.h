// Cached databases of other systems: loading a copy in one exchange with
// the other system's "cacheServer", its time stamp, and the other side of
// that exchange.
#pragma once

#include "Message.h"
#include "QdbDbTime.h"

#include <string>

class DbMgr;
#include <vector>

// How getDbTime treats a copy: 1 forces a reload; 0 loads it when it needs
// loading; 2 never loads.
enum CacheLoadMode { kCacheUseOrLoad = 0, kCacheForceReload = 1, kCacheNoLoad = 2 };

// The stamp of system's database (null: the local one); {0, 0} when there
// is none.
QdbDbTime getDbTime(const char* system, int mode);

// Sends "<secs hex>\x01\n" to "QDBTSTAMP.<system>" of every other live
// system, under the lock. broadcastMsg's result.
int broadcast(const char* system, std::uint32_t time);

namespace cfgstore {

inline constexpr const char* kCacheServerMailbox = "cacheServer";
inline constexpr int kCacheReplyCount = 9;

// The nine reply texts of a cache request from the local database: the
// stamp, then systems, applications, resource types, instances, flags,
// dependencies, equivalencies, paths. Waits at most lockMs for the lock;
// QDB_RETRY when it stays busy or the database is being loaded, else 0.
int CacheReplies(std::vector<std::string>* out, unsigned lockMs);

// Loads the copy of system from its cache server into a staging database,
// waiting at most replyWaitMs for the replies, and swaps it in once every
// reply has arrived; under the caller's lock. A load that fails keeps the
// records the copy had, its stamp zeroed (stale). A system held down ('D')
// is never loaded: the recovery reads the states its copy had. Nothing
// while this thread is loading the same copy. 0 or -1.
int LoadCopyWithin(const char* system, DbMgr* db, unsigned replyWaitMs);
// Loads the copy of system again, at most tries times while its cache
// server answers busy, each waiting at most replyWaitMs; the lock is held
// only while one load runs. 0 loaded, else -1.
int ReloadCopy(const char* system, unsigned replyWaitMs, int tries);

// Answers one request of the "cacheServer" mailbox: the nine replies, or
// '!' with code 11 when the database is busy (the requester backs off and
// asks again), or '!' code 5 for anything but "@m". The answer's code: 0
// the replies, QDB_RETRY busy, QDB_ARGS refused.
int ServeCacheRequest(const MessagePtr& request, unsigned lockMs);

}  // namespace cfgstore
