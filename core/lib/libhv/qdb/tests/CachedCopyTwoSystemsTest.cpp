// Cached copies between two systems joined by the relay: each system's
// table names the other as alive, so a change on one is sent to the other's
// daemon as a cache update, and a lookup of a copy that needs loading asks
// the other daemon's "cacheServer". Each daemon logs the updates it applies
// and the cache requests it answers, which tells a copy that followed from
// one that was loaded again.
#include "AutoQdbLock.h"
#include "CachedDb.h"
#include "DbMgr.h"
#include "ProxyPostOffice.h"
#include "ShmMgr.h"
#include "TwoSystemsFixture.h"
#include "flg.h"
#include "qdberr.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using cfgtest::Count;
using qdbfixture::System;

namespace {

// "secs.counter" in hexadecimal.
std::string Stamp(const QdbDbTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x.%x", static_cast<unsigned>(t.secs), static_cast<unsigned>(t.coll));
    return buf;
}

class CachedCopyTwoSystems : public qdbfixture::TwoSystemsFixture {
protected:
    // Each system's table names the other, alive. Setting the state sends a
    // systems update to the other side; both are awaited, so that no late
    // update meets a copy loaded afterwards.
    void Join() {
        for (const System* s : {&b_, &a_}) {
            const std::string other = s == &a_ ? b_.name : a_.name;
            EXPECT_EQ(ClientOf(*s, [&] {
                std::string out = Result(sys_create(nullptr, other.c_str()));
                return out + " " + Result(sys_setstate(nullptr, other.c_str(), 'A', "joined"));
            }), "0/0 0/0");
        }
        ASSERT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache update 'A' result")) << Out(daemons_["NODEA"]);
        ASSERT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: cache update 'A' result")) << Out(daemons_["NODEB"]);
    }
    // The stamp of a system's own database.
    std::string OwnStamp(const System& s) {
        return ClientOf(s, [] { return Stamp(getDbTime(nullptr, kCacheNoLoad)); });
    }
    // How many cache requests of the other system the daemon of s answered
    // with its tables, once there are `atLeast` (its log line follows the
    // replies: a client may have returned before it is written).
    int Served(const System& s, int atLeast) {
        const std::string other = s.name == "NODEA" ? "NODEB" : "NODEA";
        const std::string line = "qdb: cache request from " + other + " served";
        WaitForLine(daemons_[s.name], line, atLeast);
        return Count(Out(daemons_[s.name]), line);
    }
    // Waits until the daemon of s has applied `count` updates of table
    // letter `table`.
    bool Applied(const System& s, char table, int count) {
        return WaitForLine(daemons_[s.name], std::string("qdb: cache update '") + table + "' result", count);
    }
};

TEST_F(CachedCopyTwoSystems, AFlagMadeOnOneSystemReachesTheOthersCopyWithTheStamps) {
    Join();
    // The copy is loaded once, with A's stamp of that moment.
    const std::string loaded = ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); });
    EXPECT_EQ(loaded, OwnStamp(a_));
    EXPECT_NE(loaded, "0.0");
    EXPECT_EQ(Served(a_, 1), 1);

    // Two changes, most often in one second: the counter moves too.
    EXPECT_EQ(ClientOfA([] {
        std::string out = Result(flg_create(nullptr, "!shared!one"));
        return out + " " + Result(flg_create(nullptr, "!shared!two"));
    }), "0/0 0/0");
    ASSERT_TRUE(Applied(b_, 'H', 2)) << Out(daemons_["NODEB"]);
    const std::string afterCreate = OwnStamp(a_);
    EXPECT_NE(afterCreate, loaded);
    // The stamp is read without loading: it can only have come with the
    // updates. The flags are there, and A was not asked again.
    EXPECT_EQ(ClientOfB([] {
        std::string out = Stamp(getDbTime("NODEA", kCacheNoLoad)) + " ";
        out += std::to_string(flg_test("NODEA", "!shared!one", 0));
        out += std::to_string(flg_test("NODEA", "!shared!two", 0));
        return out + std::to_string(flg_test(nullptr, "!shared!one", 0));
    }), afterCreate + " 001");
    EXPECT_EQ(Served(a_, 1), 1);

    EXPECT_EQ(ClientOfA([] { return Result(flg_remove(nullptr, "!shared!one")); }), "0/0");
    ASSERT_TRUE(Applied(b_, 'H', 3)) << Out(daemons_["NODEB"]);
    const std::string afterRemove = OwnStamp(a_);
    EXPECT_EQ(ClientOfB([] {
        std::string out = Stamp(getDbTime("NODEA", kCacheNoLoad)) + " ";
        out += std::to_string(flg_test("NODEA", "!shared!one", 0));
        return out + std::to_string(flg_test("NODEA", "!shared!two", 0));
    }), afterRemove + " 10");
    EXPECT_EQ(Served(a_, 1), 1);
    EXPECT_EQ(Count(Out(daemons_["NODEB"]), "qdb: cache update 'H' result 0"), 3) << Out(daemons_["NODEB"]);
}

TEST_F(CachedCopyTwoSystems, AMissedUpdateZeroesTheCopysStampAndTheNextLookupReloads) {
    Join();
    ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); });
    ASSERT_EQ(Served(a_, 1), 1);
    // While A holds B dead it sends B nothing: the state change and the
    // flag are missed. The update of B's return carries an old stamp that B's
    // copy never had.
    EXPECT_EQ(ClientOfA([] {
        std::string out = Result(sys_setstate(nullptr, "NODEB", 'D', "away")) + " ";
        out += Result(flg_create(nullptr, "missed")) + " ";
        return out + Result(sys_setstate(nullptr, "NODEB", 'A', "back"));
    }), "0/0 0/0 0/0");
    ASSERT_TRUE(Applied(b_, 'A', 2)) << Out(daemons_["NODEB"]);
    EXPECT_EQ(Count(Out(daemons_["NODEB"]), "qdb: cache update 'H'"), 0);

    const std::string stampOfA = OwnStamp(a_);
    EXPECT_EQ(ClientOfB([] {
        const std::string zeroed = Stamp(getDbTime("NODEA", kCacheNoLoad));
        // A lookup that loads brings the whole copy again.
        const int missed = flg_test("NODEA", "missed", 0);
        return zeroed + " " + std::to_string(missed) + " " + Stamp(getDbTime("NODEA", kCacheNoLoad));
    }), "0.0 0 " + stampOfA);
    EXPECT_EQ(Served(a_, 2), 2);
}

TEST_F(CachedCopyTwoSystems, GetDbTimeLoadsOnlyWhereTheModeSays) {
    Join();
    const std::string stampOfA = OwnStamp(a_);
    const std::string stampOfB = OwnStamp(b_);
    // Mode 2 of a copy never loaded: {0, 0} and no request; mode 0 loads it
    // once; mode 1 loads it again every time.
    const std::string note = ClientOfB([] {
        std::string out = Stamp(getDbTime("NODEA", kCacheNoLoad));
        out += " " + Stamp(getDbTime("NODEA", kCacheNoLoad));
        out += " " + Stamp(getDbTime("NODEA", kCacheUseOrLoad));
        out += " " + Stamp(getDbTime("NODEA", kCacheUseOrLoad));
        out += " " + Stamp(getDbTime("NODEA", kCacheNoLoad));
        return out + " " + std::to_string(Qdb_errno);
    });
    EXPECT_EQ(note, "0.0 0.0 " + stampOfA + " " + stampOfA + " " + stampOfA + " 0");
    EXPECT_EQ(Served(a_, 1), 1);

    EXPECT_EQ(ClientOfB([] {
        std::string out = Stamp(getDbTime("NODEA", kCacheForceReload));
        return out + " " + Stamp(getDbTime("NODEA", kCacheForceReload));
    }), stampOfA + " " + stampOfA);
    EXPECT_EQ(Served(a_, 3), 3);

    // The own database, by null or by name, in every mode: its stamp, and
    // nothing is asked of anyone.
    EXPECT_EQ(ClientOfB([] {
        std::string out;
        for (int mode : {kCacheUseOrLoad, kCacheForceReload, kCacheNoLoad}) {
            out += Stamp(getDbTime(nullptr, mode)) + " ";
            out += Stamp(getDbTime("NODEB", mode)) + " ";
        }
        return out;
    }), stampOfB + " " + stampOfB + " " + stampOfB + " " + stampOfB + " " + stampOfB + " " + stampOfB + " ");
    EXPECT_EQ(Served(b_, 0), 0);
    EXPECT_EQ(Served(a_, 3), 3);
}

}  // namespace
