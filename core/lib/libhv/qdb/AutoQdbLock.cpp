#include "AutoQdbLock.h"

#include "QdbLock.h"
#include "ShmMgr.h"
#include "qdberr.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

// One generator per thread, seeded once from the time, the process and the
// thread, so that processes that start waiting in the same second draw
// different sleeps.
std::mt19937& BackoffGenerator() {
    thread_local std::mt19937 gen = [] {
        std::seed_seq seq{static_cast<unsigned>(std::time(nullptr)), static_cast<unsigned>(::getpid()),
                          static_cast<unsigned>(std::hash<std::thread::id>{}(std::this_thread::get_id())),
                          static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937(seq);
    }();
    return gen;
}

}  // namespace

int AutoQdbLock::lock(int seconds) {
    unsigned ms = seconds < 0 ? kQdbWaitForever : static_cast<unsigned>(seconds) * 1024u;
    int rc = qdbgetlock(file_, line_, ms);
    if (rc == 0) held = 1;
    return rc;
}

void AutoQdbLock::release() {
    if (held) {
        qdbrlslock(file_, line_);
        held = 0;
    }
}

DbMgr* AutoQdbLock::getDbMgr(const char* name, int seconds, int tries, int load) {
    if (tries < 1) tries = 1;
    bool limited = seconds >= 0;
    // The deadline counts whole seconds: with seconds 0 the tries go on until
    // the clock's second changes.
    auto wholeSeconds = [] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    long long deadline = wholeSeconds() + static_cast<long long>(tries) * (limited ? seconds : 0);
    long attempts = 0;
    for (;;) {
        int rc = lock(seconds);
        if (rc < 0) hv_err(file_, line_, 22, kMsgDatabaseLock, "Unable to get locks");
        if (held) {
            int savedErrno = Qdb_errno;
            char* savedText = Qdb_errbuf;
            Qdb_errbuf = nullptr;
            Qdb_errno = 0;
            DbMgr* db = ShmMgr::findDbMgr(name, load);
            bool busy = Qdb_errno == QDB_RETRY;
            qdberrclr();  // whatever text the lookup left
            Qdb_errno = savedErrno;
            Qdb_errbuf = savedText;
            if (db != nullptr && !busy) return db;
            release();
            if (db == nullptr && !busy) return nullptr;
        }
        if (!limited) {
            ++attempts;
            std::uniform_int_distribution<int> draw(1, 2000);
            std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long long>(draw(BackoffGenerator())) * attempts));
        } else {
            if (wholeSeconds() > deadline) return nullptr;
            if (--tries <= 0) return nullptr;
        }
    }
}
