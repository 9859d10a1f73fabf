// The systems table, the cached copies it makes room for, the cache updates
// they follow and the broadcast, on one system: the real daemon stand-in
// and manager, the clients in child processes.
#include "AutoQdbLock.h"
#include "CachedDb.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "OneSystemFixture.h"
#include "ProxyPostOffice.h"
#include "QdbLock.h"
#include "ShmMgr.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using qdbfixture::OneSystemTest;

std::string Joined(char** list) {
    std::string out;
    for (char** p = list; p && *p; ++p) out += std::string(out.empty() ? "" : ",") + *p;
    for (char** p = list; p && *p; ++p) qdbfreeit(*p);
    qdbfreeit(list);
    return out;
}

std::string Shown(std::string s) {
    for (char& c : s)
        if (c == '\x01') c = '|';
    return s;
}

// The copy of `name`, looked up without loading, under the caller's lock.
DbMgr* Copy(const char* name) { return ShmMgr::findDbMgr(name, 0); }

int CountIn(DbMgr* db, std::int32_t type) {
    int n = 0;
    DbIter it;
    it.iterInit(type, db);
    for (void* e = it.current(); e != nullptr; e = it.next()) ++n;
    return n;
}

// "rc/code/number-text" of a call whose report should name `text`.
std::string Refused(int rc, const char* text) {
    const bool named = Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, text) != nullptr;
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno) + (named ? "" : "/unnamed");
    qdberrclr();
    return s;
}

class SystemsTable : public OneSystemTest {
protected:
    void BeforeDaemon() override {
        RootFile("config/systems",
                 "NODE1\x01" "D\x01" "was dead\n"
                 "NODE2\x01" "A\x01" "up\n"
                 "\x01" "A\x01" "no name\n"
                 "NODE3\x01" "U\x01" "\n");
    }
};

TEST_F(SystemsTable, AfterTheLoadEveryOtherSystemIsDeadWithoutDescription) {
    const std::string note = Client([] {
        std::string out = Joined(sys_list(nullptr)) + ";";
        char buf[64];
        for (const char* n : {"NODE1", "NODE2", "NODE3"}) {
            out += static_cast<char>(sys_getstate(nullptr, n));
            out += std::string("[") + sys_getdescr(nullptr, n, buf) + "]";
        }
        // A copy for each other system, never loaded: mode 2 asks no one.
        const QdbDbTime t = getDbTime("NODE2", kCacheNoLoad);
        out += ";" + std::to_string(t.valid()) + std::to_string(getDbTime(nullptr, kCacheNoLoad).valid());
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(Copy("NODE2") != nullptr) + std::to_string(Copy("NODE3") != nullptr);
        return out;
    });
    EXPECT_EQ(note, "NODE1,NODE2,NODE3;A[]D[]D[];0111");
}

TEST_F(SystemsTable, RefusalsLeaveTheTableAsItWas) {
    const std::string note = Client([] {
        std::string out;
        out += Refused(sys_create(nullptr, "NODE2"), "already in use, systems: [NODE2]") + ",";
        for (const char* bad : {"", "two words", "tab\there", "a\x01" "b", "a\nb"})
            out += Refused(sys_create(nullptr, bad), "system name") + ",";
        out += Refused(sys_remove(nullptr, "NODE1"), "can't remove entry for local system") + ",";
        out += Refused(sys_remove(nullptr, "NOSUCH"), "not defined") + ",";
        out += std::string(1, static_cast<char>(sys_getstate(nullptr, "NOSUCH")));
        out += Refused(0, "system \"NOSUCH\" not defined on machine \"NODE1\"") + ",";
        out += Refused(sys_setstate(nullptr, "NODE1", 'D', nullptr), "Can't set local system to DEAD") + ",";
        out += Refused(sys_setstate(nullptr, "NODE2", '0', nullptr), "ILLSYS") + ",";
        out += Refused(sys_setstate(nullptr, "NODE2", 'A', "bad\x02text"), "ctrl characters") + ",";
        // Equivalencies are asked through the seam.
        cfgstore::SetSystemTableSeams([](const char*, const char*) {
            auto** list = static_cast<char**>(qdbnalloc(2 * sizeof(char*)));
            list[0] = qdbsavcpy("eqv");
            list[1] = nullptr;
            return list;
        });
        out += Refused(sys_remove(nullptr, "NODE3"), "with equivalencies active") + ",";
        cfgstore::SetSystemTableSeams(nullptr);
        out += Joined(sys_list(nullptr));
        return out;
    });
    EXPECT_EQ(note, "-1/4,-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,-1/7,U0/5,-1/5,-1/5,-1/5,-1/3,NODE1,NODE2,NODE3");
}

TEST_F(SystemsTable, RemovingASystemRemovesItsCopy) {
    const std::string note = Client([] {
        std::string out = Result(sys_remove(nullptr, "NODE3")) + ",";
        out += Joined(sys_list(nullptr)) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(Copy("NODE3") == nullptr);
        return out;
    });
    EXPECT_EQ(note, "0/0,NODE1,NODE2,1");
}

TEST_F(SystemsTable, SyncWritesTheGoldenFile) {
    const std::string note = Client([] {
        std::string out = Result(sys_create(nullptr, "NODE4")) + ",";
        out += Result(sys_setstate(nullptr, "NODE4", 'A', "up here")) + ",";
        out += Result(sys_sync(nullptr));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0");
    EXPECT_EQ(Shown(cfgtest::ReadFile(root_ + "/config/systems")),
              "NODE1|A|\nNODE2|D|\nNODE3|D|\nNODE4|A|up here\n");
}

// Records for NODE2's copy as NODE2's daemon would send them.
std::string Record(const char* body, const char* before, const char* after, const char* rest) {
    return std::string(body) + "NODE2\x01" + before + "\x01" + after + "\x01" + rest;
}

TEST_F(SystemsTable, CopiesFollowCacheUpdatesAndAStaleStampIsZeroed) {
    const std::string note = Client([] {
        std::string out;
        auto apply = [&](int (*update)(char*), const std::string& rec) {
            std::string text = rec;
            out += std::to_string(update(text.data())) + ",";
        };
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            Copy("NODE2")->tStamp = QdbDbTime{0x64, 0};
        }
        apply(flg::updateCache, Record("a", "64\x01" "0", "64\x01" "1", "copied"));
        apply(systems::updateCache, Record("a", "64\x01" "1", "65\x01" "0", "NODE7"));
        apply(systems::updateCache, Record("f", "65\x01" "0", "65\x01" "1", "NODE7\x01" "Aseven up"));
        out += std::to_string(flg_test("NODE2", "copied", 0)) + static_cast<char>(sys_getstate("NODE2", "NODE7"));
        char buf[64];
        out += std::string("[") + sys_getdescr("NODE2", "NODE7", buf) + "],";
        // A record already in the copy, and one for a flag it lacks: refused,
        // and the stamps still follow.
        apply(flg::updateCache, Record("a", "65\x01" "1", "65\x01" "2", "copied"));
        // ... which leaves no error behind and does not mark the local flags changed.
        out += std::to_string(Qdb_errno) + std::to_string(pQdb_shgp->changed[qdbshm::kChangedFlags]) + ",";
        apply(flg::updateCache, Record("c", "65\x01" "2", "65\x01" "3", "absent"));
        // A missed record: applied, and the copy's stamp zeroed.
        apply(flg::updateCache, Record("a", "70\x01" "0", "71\x01" "0", "after_gap"));
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            out += Shown(Copy("NODE2")->tStamp.text()) + ",";
        }
        // Zero stays zero.
        apply(flg::updateCache, Record("c", "71\x01" "0", "72\x01" "0", "copied"));
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += Shown(Copy("NODE2")->tStamp.text()) + "," + std::to_string(CountIn(Copy("NODE2"), FLG)) + ",";
        // No peer changes the local database.
        std::string own = std::string("aNODE1\x01") + "1\x01" "0\x01" "1\x01" "1\x01" "forged";
        out += std::to_string(flg::updateCache(own.data())) + std::to_string(flg_test(nullptr, "forged", 0));
        return out;
    });
    EXPECT_EQ(note, "0,0,0,0A[seven up],-8,00,-9,0,0|0,0,0|0,1,-101");
}

// A system set dead has its copy marked stale, its records kept as the last
// states seen (the machine restore reads them) until a load empties it.
TEST_F(SystemsTable, AnotherSystemSetDeadHasItsCopyMarkedStaleWithItsLastRecords) {
    const std::string note = Client([] {
        std::string out;
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            Copy("NODE2")->tStamp = QdbDbTime{0x64, 0};
        }
        std::string rec = Record("a", "64\x01" "0", "64\x01" "1", "copied");
        out += std::to_string(flg::updateCache(rec.data())) + ",";
        out += Result(sys_setstate(nullptr, "NODE2", 'A', "back")) + ",";
        out += Result(sys_setstate(nullptr, "NODE2", 'D', nullptr)) + ",";
        char buf[64];
        out += static_cast<char>(sys_getstate(nullptr, "NODE2"));
        out += std::string("[") + sys_getdescr(nullptr, "NODE2", buf) + "],";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(Copy("NODE2")->tStamp.valid()) + std::to_string(CountIn(Copy("NODE2"), FLG)) + ",";
        // A load of a system held dead is never tried: it fails at once
        // and the last records stay for the recovery to read.
        out += Result(ShmMgr::cacheRemDb("NODE2", Copy("NODE2")));
        out += std::to_string(CountIn(Copy("NODE2"), FLG));
        return out;
    });
    EXPECT_EQ(note, "0,0/0,0/0,D[],01,-1/91");
}

TEST_F(SystemsTable, BroadcastGoesOnlyToOtherLiveSystems) {
    const std::string note = Client([] {
        ProxyPostOffice proxy;
        proxy.CreateMailBox("watch");
        std::string out;
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* local = Copy(nullptr);
        DbMgr* copy = Copy("NODE2");
        copy->tStamp = QdbDbTime{0x64, 0};
        out += std::to_string(broadcastMsg(nullptr, "x", "watch")) + std::to_string(broadcastMsg(local, nullptr, "watch"));
        // The local database lists NODE1 as alive: its own, skipped.
        out += std::to_string(broadcastMsg(local, "own", "watch"));
        // NODE2's copy lists NODE1 as unknown (made while unreachable: it is
        // sent to all the same), then as alive.
        std::string rec = Record("a", "64\x01" "0", "64\x01" "1", "NODE1");
        systems::updateCache(rec.data());
        out += std::to_string(broadcastMsg(copy, "unknown", "watch"));
        rec = Record("f", "64\x01" "1", "64\x01" "2", "NODE1\x01" "A");
        systems::updateCache(rec.data());
        out += std::to_string(broadcastMsg(copy, "alive", "watch"));
        pQdb_shgp->mgrAvailable = 0;
        out += std::to_string(broadcastMsg(copy, "early", "watch"));
        pQdb_shgp->mgrAvailable = 1;
        lk.release();
        MessagePtr got = proxy.RcvFromMbox("watch", 1);
        out += std::string(",") + (got.Ok() ? got->GetDataStr().StrVal() : "none") + "/" +
               (got.Ok() ? got->GetReplyToSys().StrVal() : "") + "/" + (got.Ok() ? got->GetReplyToMbox().StrVal() : "");
        out += "," + std::to_string(proxy.IsMboxEmpty("watch"));
        return out;
    });
    // The first is received; the second waits (1: not empty).
    EXPECT_EQ(note, "-20-20000-21,unknown/NODE2/no_reply,1");
}

TEST_F(SystemsTable, TheDaemonMadeItsMailboxesBeforeServing) {
    // The fixture waited for "serving" only: a cache request sent before
    // "cacheServer" exists would be lost and its sender left waiting.
    const std::string note = Client([] {
        ProxyPostOffice proxy;
        std::string out;
        // Creating a mailbox that exists is refused.
        for (const char* m : {"cacheServer", "QDBTSTAMP.NODE2", "QDBTSTAMP.NODE3", "QDBTSTAMP.NODE1"})
            out += std::to_string(proxy.CreateMailBox(m) == Message::OKAY);
        return out;
    });
    EXPECT_EQ(note, "0001");
}

// Loading a copy through the daemon's "cacheServer". With one system the
// copy of NODE2 is loaded from NODE1, which then stands for NODE2.
TEST_F(SystemsTable, ACopyIsLoadedFromTheCacheServerInOneExchange) {
    const std::string note = Client([] {
        std::string out = Result(flg_create(nullptr, "one")) + ",";
        out += Result(flg_create(nullptr, "two")) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* copy = Copy("NODE2");
        const QdbDbTime localStamp = Copy(nullptr)->tStamp;
        lk.release();
        // Without the lock held here, so that the server can take it.
        out += Result(ShmMgr::cacheRemDb("NODE1", copy)) + ",";
        lk.lock(-1);
        out += std::to_string(copy->tStamp == localStamp) + std::to_string(copy->loading) + ",";
        out += std::to_string(CountIn(copy, SYSTEM)) + std::to_string(CountIn(copy, FLG)) + ",";
        lk.release();
        out += std::to_string(flg_test("NODE2", "two", 0)) + static_cast<char>(sys_getstate("NODE2", "NODE1")) +
               static_cast<char>(sys_getstate("NODE2", "NODE3"));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0,10,32,0AD");
}

TEST_F(SystemsTable, ABusyServerAnswersElevenAndTheCopyStaysStale) {
    const std::string note = Client([] {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* copy = Copy("NODE2");
        // The server's lock is held by this process: it answers "busy".
        std::string out = Result(ShmMgr::cacheRemDb("NODE1", copy)) + ",";
        out += std::to_string(copy->tStamp.valid()) + std::to_string(copy->loading);
        return out;
    });
    EXPECT_EQ(note, "-1/11,00");
}

TEST_F(SystemsTable, ACopyOfASystemThatIsNotAliveFailsWithNineWithoutWaiting) {
    const std::string note = Client([] {
        std::string out;
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += Result(ShmMgr::cacheRemDb("NODE2", Copy("NODE2"))) + ",";
        lk.release();
        // A lookup that loads tries once and comes back with the stale stamp.
        out += std::to_string(getDbTime("NODE2", kCacheUseOrLoad).valid());
        out += std::to_string(getDbTime("NODE2", kCacheForceReload).valid());
        out += static_cast<char>(sys_getstate("NODE2", "NODE1"));
        return out;
    });
    EXPECT_EQ(note, "-1/9,00U");
}

}  // namespace
