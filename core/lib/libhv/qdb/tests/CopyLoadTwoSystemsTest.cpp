// What each kind of lookup that may load another system's copy leaves in
// that copy, by the state of the other system: alive (the copy is its
// database of now), held down here (never loaded: the last states stay for
// the recovery), gone quiet (the load fails and the old records stay, stale)
// and a holder killed in the middle of the load (the next holder finds the
// old records, nothing of the half load, and a sound segment).
#include "AutoQdbLock.h"
#include "BaseAddr.h"
#include "CachedDb.h"
#include "CopyStaging.h"
#include "DbMgr.h"
#include "SharedManagerPipe.h"
#include "ShmMgr.h"
#include "TwoSystemsFixture.h"
#include "platform/NamedPipeName.h"
#include "flg.h"
#include "qdberr.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <string>
#include <vector>

using qdbfixture::System;

namespace {

struct LookupKind {
    const char* name;
    std::function<void()> run;  // a lookup of NODEA's copy that may load it
};

const std::vector<LookupKind>& Lookups() {
    static const std::vector<LookupKind> kinds = {
        {"flag test", [] { flg_test("NODEA", "anything", 0); }},
        {"system state", [] { sys_getstate("NODEA", "NODEB"); }},
        {"stamp", [] { getDbTime("NODEA", kCacheUseOrLoad); }},
    };
    return kinds;
}

// The copy of NODEA as held here, without loading it: which of the flags
// "old" and "fresh" it holds, whether its stamp is valid, and the segment
// walk's fault count.
std::string HeldRecords() {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    DbMgr* copy = ShmMgr::findDbMgr("NODEA", 0);
    if (copy == nullptr) return "no copy";
    std::string out = flg::find(copy, "old") ? "old" : "-";
    out += flg::find(copy, "fresh") ? " fresh" : " -";
    out += copy->tStamp.valid() ? " valid" : " stale";
    std::string report;
    const int faults = cfgstore::WalkSegment(&report);
    return out + " faults=" + std::to_string(faults) + (faults ? "\n" + report : "");
}

class CopyLoadTwoSystems : public qdbfixture::TwoSystemsFixture {
protected:
    void SetUp() override {
        TwoSystemsFixture::SetUp();
        if (HasFatalFailure()) return;
        for (const System* s : {&b_, &a_}) {
            const std::string other = s == &a_ ? b_.name : a_.name;
            ASSERT_EQ(ClientOf(*s, [&] { return Result(sys_create(nullptr, other.c_str())); }), "0/0");
        }
        ASSERT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache update 'A' result"));
        ASSERT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: cache update 'A' result"));
        // B holds A's copy with "old"; A then moves on to "fresh" while it
        // holds B dead, so B's copy misses it and is stale.
        ASSERT_EQ(ClientOfA([] { return Result(flg_create(nullptr, "old")); }), "0/0");
        ASSERT_EQ(ClientOfB([] {
            getDbTime("NODEA", kCacheForceReload);
            return HeldRecords();
        }), "old - valid faults=0");
        ASSERT_EQ(ClientOfA([] {
            std::string out = Result(sys_setstate(nullptr, "NODEB", 'D', "away")) + " ";
            out += Result(flg_remove(nullptr, "old")) + " " + Result(flg_create(nullptr, "fresh")) + " ";
            return out + Result(sys_setstate(nullptr, "NODEB", 'A', "back"));
        }), "0/0 0/0 0/0 0/0");
        ASSERT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: cache update 'A' result", 3)) << Out(daemons_["NODEB"]);
        ASSERT_EQ(ClientOfB(HeldRecords), "old - stale faults=0");
    }
    int Served() { return cfgtest::Count(Out(daemons_["NODEA"]), "qdb: cache request from NODEB served"); }
};

TEST_F(CopyLoadTwoSystems, ASystemHeldDownIsNeverLoadedItsLastRecordsStay) {
    ASSERT_EQ(ClientOfB([] { return Result(sys_setstate(nullptr, "NODEA", 'D', "lost")); }), "0/0");
    const int served = Served();
    for (const LookupKind& k : Lookups())
        EXPECT_EQ(ClientOfB([&k] {
            k.run();
            qdberrclr();
            return HeldRecords();
        }), "old - stale faults=0") << k.name;
    EXPECT_EQ(Served(), served);
}

TEST_F(CopyLoadTwoSystems, ALoadThatGetsNoAnswerKeepsTheOldRecordsStale) {
    // A's manager keeps "cacheServer": the request is taken in and nobody
    // answers it.
    Stop(daemons_["NODEA"]);
    EXPECT_EQ(ClientOfB([] {
        ::alarm(60);
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        const int rc = cfgstore::LoadCopyWithin("NODEA", ShmMgr::findDbMgr("NODEA", 0), 1000);
        const std::string out = qdbfixture::ResultAndErrno(rc);
        lk.release();
        return out + " " + HeldRecords();
    }), "-1/9 old - stale faults=0");
}

// True once fd gives a byte within ms.
bool ByteWithin(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    return ::poll(&p, 1, ms) == 1 && ::read(fd, &c, 1) == 1;
}

TEST_F(CopyLoadTwoSystems, ALoadUnderTheLockWhileNoManagerListensFailsInItsWaitAndFreesTheLock) {
    // A holder of B's database lock loads A's copy while B's manager cannot
    // be reached (its socket moved away, as before a host that waits for
    // this very lock listens): the load fails within its wait, the copy
    // stays stale, and the lock is free for another process while the
    // holder still lives.
    std::string socket;
    ASSERT_EQ(portlib::platform::PipeNameToPath(GetMxrPipeName(), &socket, b_.dir), 0);
    int up[2], go[2];
    ASSERT_EQ(::pipe(up), 0);
    ASSERT_EQ(::pipe(go), 0);
    cfgtest::ChildResult holder;
    std::thread run([&] {
        holder = cfgtest::RunChild([&] {
            ::alarm(60);
            b_.Enter();
            qdbfixture::StartClient();
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            (void)!::write(up[1], "l", 1);
            if (!ByteWithin(go[0], 60000)) return 3;
            const long failedBefore = SharedManagerPipe::FailedConnects();
            const int rc = cfgstore::LoadCopyWithin("NODEA", ShmMgr::findDbMgr("NODEA", 0), 1000);
            const std::string out = qdbfixture::ResultAndErrno(rc);
            const bool triedManager = SharedManagerPipe::FailedConnects() > failedBefore;
            lk.release();
            (void)!::write(up[1], "r", 1);
            cfgtest::Note(out + (triedManager ? " tried" : " not tried"));
            // Alive until the other process had the lock.
            return ByteWithin(go[0], 60000) ? 0 : 4;
        });
    });
    const bool locked = ByteWithin(up[0], 60000);
    const bool moved = locked && ::rename(socket.c_str(), (socket + ".away").c_str()) == 0;
    (void)!::write(go[1], "g", 1);
    const bool released = ByteWithin(up[0], 60000);
    if (moved) ::rename((socket + ".away").c_str(), socket.c_str());
    const std::string after = released ? ClientOfB(HeldRecords) : "";
    (void)!::write(go[1], "d", 1);
    run.join();
    for (int fd : {up[0], up[1], go[0], go[1]}) ::close(fd);
    ASSERT_TRUE(moved) << socket;
    EXPECT_TRUE(released) << holder.err;
    EXPECT_EQ(holder.exitCode, 0) << holder.err;
    EXPECT_EQ(holder.note, "-1/9 tried");
    EXPECT_EQ(after, "old - stale faults=0");
}

TEST_F(CopyLoadTwoSystems, AHolderKilledInTheMiddleOfALoadLeavesTheOldRecordsAndASoundSegment) {
    for (const char* place : {"copy-load-reply", "copy-swap"})
        for (const LookupKind& k : Lookups()) {
            SCOPED_TRACE(std::string(k.name) + " killed at " + place);
            cfgtest::ChildResult r = cfgtest::RunChild([&] {
                b_.Enter();
                qdbfixture::StartClient();
                ::setenv("HV_CRASH_AT", place, 1);
                k.run();
                return 0;
            });
            EXPECT_EQ(r.signal, SIGKILL) << r.err;
            // The next holder gets the lock abandoned: the half load is gone,
            // the old records are there, stale.
            EXPECT_EQ(ClientOfB(HeldRecords), "old - stale faults=0");
        }
    // And the next lookup loads the copy whole.
    EXPECT_EQ(ClientOfB([] {
        flg_test("NODEA", "anything", 0);
        qdberrclr();
        return HeldRecords();
    }), "- fresh valid faults=0");
}

TEST_F(CopyLoadTwoSystems, EachLookupOfAnAliveSystemLoadsItsDatabaseOfNow) {
    for (const LookupKind& k : Lookups()) {
        // Stale again before each kind.
        ClientOfB([] {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            ShmMgr::findDbMgr("NODEA", 0)->tStamp = QdbDbTime{0, 0};
            return std::string();
        });
        EXPECT_EQ(ClientOfB([&k] {
            k.run();
            qdberrclr();
            return HeldRecords();
        }), "- fresh valid faults=0") << k.name;
    }
}

}  // namespace
