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
#include "platform/TestTimeScale.h"
#include "network.h"
#include "qdberr.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using cfgtest::Count;
using cfgtest::ReadFile;
using qdbfixture::System;

namespace {

// "secs.counter" in hexadecimal.
std::string Stamp(const QdbDbTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x.%x", static_cast<unsigned>(t.secs), static_cast<unsigned>(t.coll));
    return buf;
}

// Loads the copy of system in a client, with the lock held as a lookup
// holds it: "named" when the report holds `text`, then "rc/code" and the
// copy's stamp.
std::string LoadCopy(const char* system, const char* text) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    DbMgr* copy = ShmMgr::findDbMgr(system, 0);
    const int rc = ShmMgr::cacheRemDb(system, copy);
    const std::string named = Qdb_errbuf && std::strstr(Qdb_errbuf, text) ? "named " : "unnamed ";
    return named + qdbfixture::ResultAndErrno(rc) + " " + Stamp(copy->tStamp);
}

// A path record to system in the local database, as the database link finds
// it; the manager is not asked to create the path.
std::string AddPathRecord(const char* system) {
    AUTO_QDB_LOCK(lk);
    network* n = network::alloc(lk.getDbMgr(nullptr, -1, 1000, 0));
    return n == nullptr ? "no room" : qdbfixture::ResultAndErrno(n->create(system, "TCPIP:1500", 'l', 0, 1, 1, 1));
}

// The stamp of the copy of system held here and whether it holds flag,
// read without loading it.
std::string HeldCopy(const char* system, const char* flag) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    DbMgr* copy = ShmMgr::findDbMgr(system, 0);
    if (copy == nullptr) return "no copy";
    return Stamp(copy->tStamp) + " " + (flg::find(copy, flag) != nullptr ? "held" : "missing");
}

// Runs a client on each of two systems at one moment: each starts the
// library and its connection to its manager, says so, and runs its body once
// both have. A body may call its `meet` to wait there until the other body
// has called its own (as often as both call it). The notes come back in order ("" for a child that did
// not end well); a child still running after 30 s is ended by its alarm.
using MeetingBody = std::function<std::string(const std::function<void()>& meet)>;
std::pair<std::string, std::string> AtOnce(const System& s1, const MeetingBody& body1, const System& s2,
                                           const MeetingBody& body2) {
    int ready[2], gate[2], met[2], onward[2];
    if (::pipe(ready) != 0 || ::pipe(gate) != 0 || ::pipe(met) != 0 || ::pipe(onward) != 0) return {};
    const System* systems[2] = {&s1, &s2};
    const MeetingBody* bodies[2] = {&body1, &body2};
    std::string notes[2];
    pid_t kids[2];
    for (int i = 0; i < 2; ++i) {
        const std::string base = systems[i]->dir + "/atonce" + std::to_string(i);
        notes[i] = base + ".note";
        kids[i] = ::fork();
        if (kids[i] == 0) {
            ::alarm(30);
            systems[i]->Enter();
            const int out = ::open((base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            qdbfixture::StartClient();
            ProxyPostOffice connection;  // made now, used by the body
            char c = 'r';
            if (::write(ready[1], &c, 1) != 1 || ::read(gate[0], &c, 1) != 1) ::_exit(2);
            const auto meet = [&] {
                char m = 'm';
                if (::write(met[1], &m, 1) != 1 || ::read(onward[0], &m, 1) != 1) ::_exit(4);
            };
            const std::string note = (*bodies[i])(meet);
            std::ofstream(notes[i]) << note;
            ::_exit(0);
        }
        // No child: its place at the start is taken, so the other is not
        // held up.
        if (kids[i] < 0 && ::write(ready[1], "x", 1) != 1) return {};
    }
    char c;
    for (int i = 0; i < 2; ++i)
        if (::read(ready[0], &c, 1) != 1) break;
    const char go[2] = {'g', 'g'};
    const bool released = ::write(gate[1], go, 2) == 2;
    // Each meeting: both bodies there, or a child gone, then on. The
    // meetings end once both children have closed their ends of the pipe.
    ::close(met[1]);
    for (;;) {
        int there = 0;
        while (there < 2 && ::read(met[0], &c, 1) == 1) ++there;
        if (there == 0 || ::write(onward[1], go, static_cast<std::size_t>(there)) != there || there < 2) break;
    }
    for (int fd : {ready[0], ready[1], gate[0], gate[1], met[0], onward[0], onward[1]}) ::close(fd);
    bool ok[2] = {false, false};
    for (int i = 0; i < 2; ++i) {
        int status = 0;
        ok[i] = kids[i] > 0 && ::waitpid(kids[i], &status, 0) == kids[i] && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (!released) return {};
    return {ok[0] ? cfgtest::ReadFile(notes[0]) : "", ok[1] ? cfgtest::ReadFile(notes[1]) : ""};
}

class CachedCopyTwoSystems : public qdbfixture::TwoSystemsFixture {
protected:
    // Each system's table names the other: created while the relay joins
    // them, each is alive at once, and the state change sends a systems
    // update to the other side; both are awaited, so that no late update
    // meets a copy loaded afterwards.
    void Join() {
        for (const System* s : {&b_, &a_}) {
            const std::string other = s == &a_ ? b_.name : a_.name;
            EXPECT_EQ(ClientOf(*s, [&] {
                const std::string out = Result(sys_create(nullptr, other.c_str()));
                return out + " " + static_cast<char>(sys_getstate(nullptr, other.c_str()));
            }), "0/0 A");
        }
        ASSERT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache update 'A' result")) << Out(daemons_["NODEA"]);
        ASSERT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: cache update 'A' result")) << Out(daemons_["NODEB"]);
    }
    // A, holding B dead meanwhile, changes its state and makes `flag`, then
    // sets B alive again: nothing of it but the return reaches B.
    std::string ChangesWhileBHeldDead(const char* flag) {
        return ClientOfA([flag] {
            std::string out = Result(sys_setstate(nullptr, "NODEB", 'D', "away")) + " ";
            out += Result(flg_create(nullptr, flag)) + " ";
            return out + Result(sys_setstate(nullptr, "NODEB", 'A', "back"));
        });
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
    ASSERT_NO_FATAL_FAILURE(Join());
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
    ASSERT_NO_FATAL_FAILURE(Join());
    ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); });
    ASSERT_EQ(Served(a_, 1), 1);
    // While A holds B dead it sends B nothing: the state change and the
    // flag are missed. The update of B's return carries an old stamp that B's
    // copy never had.
    EXPECT_EQ(ChangesWhileBHeldDead("missed"), "0/0 0/0 0/0");
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
    ASSERT_NO_FATAL_FAILURE(Join());
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

TEST_F(CachedCopyTwoSystems, TwoSystemsForceReloadingEachOtherAtOnceBothComplete) {
    ASSERT_NO_FATAL_FAILURE(Join());
    const std::string stampOfA = OwnStamp(a_);
    const std::string stampOfB = OwnStamp(b_);
    // Each load holds its own system's lock while it waits for the other's
    // tables. Here both loaders take their lock before either asks and keep
    // it until both have their answers, so both cache servers find their
    // lock taken and answer busy. Then each forces the reload as a lookup
    // does: a busy answer makes it let go of its lock and try again after a
    // random pause, and both copies arrive.
    const auto collideThenReload = [](const char* other) {
        return [other](const std::function<void()>& meet) {
            std::string out;
            {
                AUTO_QDB_LOCK(lk);
                lk.lock(-1);
                meet();
                out = qdbfixture::ResultAndErrno(ShmMgr::cacheRemDb(other, ShmMgr::findDbMgr(other, 0))) + " ";
                meet();  // the other's answer came from this side's server
            }
            qdberrclr();
            return out + Stamp(getDbTime(other, kCacheForceReload)) + " " + std::to_string(Qdb_errno);
        };
    };
    const auto notes = AtOnce(a_, collideThenReload("NODEB"), b_, collideThenReload("NODEA"));
    const std::string busy = "-1/" + std::to_string(QDB_RETRY) + " ";
    EXPECT_EQ(notes.first, busy + stampOfB + " 0") << ReadFile(a_.dir + "/atonce0.out");
    EXPECT_EQ(notes.second, busy + stampOfA + " 0") << ReadFile(b_.dir + "/atonce1.out");
    EXPECT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache request from NODEB answered busy")) << Out(daemons_["NODEA"]);
    EXPECT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: cache request from NODEA answered busy")) << Out(daemons_["NODEB"]);
    // One load served on each side.
    EXPECT_EQ(Served(a_, 1), 1);
    EXPECT_EQ(Served(b_, 1), 1);
}

TEST_F(CachedCopyTwoSystems, TheCopyOfAStoppedSystemFailsWithCode9AndLoadsOnceItIsBack) {
    ASSERT_NO_FATAL_FAILURE(Join());
    // B goes whole: its manager (the relay ends with it), then its daemon.
    EXPECT_EQ(Stop(managers_["NODEB"]), 0);
    EXPECT_EQ(Ended(relay_), 4);
    Stop(daemons_["NODEB"]);
    ASSERT_TRUE(Eventually([&] { return Err(managers_["NODEA"]).find("remAlias=NODEB hbStatus=3") != std::string::npos; }));

    // Bounded by the child's alarm: a load that waited for replies would
    // never end.
    const std::string note = ClientOfA([] {
        ::alarm(30);
        // Not alive, or already held down by the path's loss: code 9 either
        // way, and no request is sent.
        std::string out = LoadCopy("NODEB", "\"NODEB") + " ";
        // The lookups that load answer at once from the empty copy.
        out += std::to_string(flg_test("NODEB", "anything", 0)) + " ";
        out += Stamp(getDbTime("NODEB", kCacheUseOrLoad)) + " ";
        return out + Stamp(getDbTime("NODEB", kCacheForceReload));
    });
    EXPECT_EQ(note, "named -1/9 0.0 1 0.0 0.0");

    // Back again (and alive to A, as a path's return makes it), B is asked
    // at the next lookup.
    ASSERT_TRUE(StartSystem(b_));
    ASSERT_TRUE(StartRelay());
    const std::string stampOfB = OwnStamp(b_);
    EXPECT_EQ(ClientOfA([] {
        sys_setstate(nullptr, "NODEB", 'A', "back");
        qdberrclr();
        return Stamp(getDbTime("NODEB", kCacheUseOrLoad));
    }), stampOfB);
    EXPECT_NE(stampOfB, "0.0");
}

TEST_F(CachedCopyTwoSystems, ALoadFromASystemWhoseDaemonIsGoneEndsWithCode9) {
    ASSERT_NO_FATAL_FAILURE(Join());
    // B's manager runs on and keeps the mailbox "cacheServer": the request
    // is taken in, and nobody answers it.
    Stop(daemons_["NODEB"]);
    const std::string note = ClientOfA([] {
        ::alarm(30);
        // The wait for the replies at a fiftieth of its length.
        ::setenv(portlib::platform::kTestTimeScaleVar, "0.02", 1);
        return LoadCopy("NODEB", "no answer from system \"NODEB\"");
    });
    EXPECT_EQ(note, "named -1/9 0.0");

    // A daemon started again answers the next load; the request left over
    // goes to a mailbox that is no more.
    daemons_["NODEB"] = Start(b_, HV_QDB_BIN, {"qdb"});
    ASSERT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: serving")) << Err(daemons_["NODEB"]);
    const std::string stampOfB = OwnStamp(b_);
    EXPECT_EQ(ClientOfA([] { return Stamp(getDbTime("NODEB", kCacheUseOrLoad)); }), stampOfB);
}

TEST_F(CachedCopyTwoSystems, ASystemCreatedWhileReachableIsAliveAndIsSentUpdatesAnUnreachableOneStaysUnknown) {
    // Join creates each system while the relay joins them.
    ASSERT_NO_FATAL_FAILURE(Join());
    EXPECT_EQ(ClientOfA([] {
        char descr[256];
        std::string out = sys_getdescr(nullptr, "NODEB", descr);
        out = out.rfind("reachable when created at ", 0) == 0 ? "described" : out;
        // No path leads to NODEC.
        out += " " + Result(sys_create(nullptr, "NODEC"));
        return out + " " + static_cast<char>(sys_getstate(nullptr, "NODEC"));
    }), "described 0/0 U");

    // Alive, B is sent A's changes: its copy follows without a reload.
    EXPECT_EQ(ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); }), OwnStamp(a_));
    EXPECT_EQ(ClientOfA([] { return Result(flg_create(nullptr, "!shared!after")); }), "0/0");
    ASSERT_TRUE(Applied(b_, 'H', 1)) << Out(daemons_["NODEB"]);
    EXPECT_EQ(ClientOfB([] { return HeldCopy("NODEA", "!shared!after"); }), OwnStamp(a_) + " held");
    EXPECT_EQ(Served(a_, 1), 1);
}

TEST_F(CachedCopyTwoSystems, APathComingUpToASystemThatWasDownLoadsItsCopyAgain) {
    ASSERT_NO_FATAL_FAILURE(Join());
    EXPECT_EQ(ClientOfB([] { return AddPathRecord("NODEA"); }), "0/0");
    ASSERT_EQ(ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); }), OwnStamp(a_));
    // The path comes up to a system that is alive already: nothing is
    // loaded.
    EXPECT_EQ(ClientOfB([] { return std::to_string(network::mxr_comm_up("NODEA", "TCPIP:1500")); }), "0");
    ASSERT_EQ(Served(a_, 1), 1);

    // B's last path to A fails: A is DEAD to B, and B's copy of it is
    // stale, its records kept.
    EXPECT_EQ(ClientOfB([] {
        const std::string out = std::to_string(network::mxr_comm_down("NODEA", "TCPIP:1500"));
        return out + " " + static_cast<char>(sys_getstate(nullptr, "NODEA")) + " " + HeldCopy("NODEA", "x");
    }), "1 D 0.0 missing");
    // Meanwhile A changes while it holds B dead: none of it reaches B. A's
    // return of B sends one systems update, applied to the stale copy.
    EXPECT_EQ(ChangesWhileBHeldDead("meanwhile"), "0/0 0/0 0/0");
    ASSERT_TRUE(Applied(b_, 'A', 2)) << Out(daemons_["NODEB"]);
    EXPECT_EQ(ClientOfB([] { return HeldCopy("NODEA", "meanwhile"); }), "0.0 missing");

    // The path comes up again: A is alive to B, and B's copy of A is A's
    // database of now, before anything reads it.
    const std::string stampOfA = OwnStamp(a_);
    EXPECT_EQ(ClientOfB([] {
        const std::string out = std::to_string(network::mxr_comm_up("NODEA", "TCPIP:1500"));
        return out + " " + static_cast<char>(sys_getstate(nullptr, "NODEA")) + " " + HeldCopy("NODEA", "meanwhile");
    }), "0 A " + stampOfA + " held");
    EXPECT_EQ(Served(a_, 2), 2);

}

TEST_F(CachedCopyTwoSystems, APathComingUpToASystemThatCannotAnswerLeavesItsCopyToTheNextLookup) {
    ASSERT_NO_FATAL_FAILURE(Join());
    EXPECT_EQ(ClientOfB([] {
        const std::string out = AddPathRecord("NODEA") + " " + std::to_string(network::mxr_comm_up("NODEA", "TCPIP:1500"));
        network::mxr_comm_down("NODEA", "TCPIP:1500");
        return out + " " + static_cast<char>(sys_getstate(nullptr, "NODEA"));
    }), "0/0 0 D");
    // A goes whole (the relay ends with its manager): the path event of
    // B's database link comes while A cannot be asked.
    EXPECT_EQ(Stop(managers_["NODEA"]), 0);
    EXPECT_EQ(Ended(relay_), 4);
    Stop(daemons_["NODEA"]);
    ASSERT_TRUE(Eventually([&] { return Err(managers_["NODEB"]).find("remAlias=NODEA hbStatus=3") != std::string::npos; }));
    const std::string note = ClientOfB([] {
        ::alarm(30);
        const std::string out = std::to_string(network::mxr_comm_up("NODEA", "TCPIP:1500"));
        return out + " " + static_cast<char>(sys_getstate(nullptr, "NODEA")) + " " + HeldCopy("NODEA", "x");
    });
    EXPECT_EQ(note, "0 A 0.0 missing");

    // A back: the next lookup loads the copy.
    ASSERT_TRUE(StartSystem(a_));
    ASSERT_TRUE(StartRelay());
    const std::string stampOfA = OwnStamp(a_);
    EXPECT_EQ(ClientOfB([] { return Stamp(getDbTime("NODEA", kCacheUseOrLoad)); }), stampOfA);
}

}  // namespace
