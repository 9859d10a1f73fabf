// The lock, the daemon-available event and the start-up, with real
// processes: the stand-in daemon `qdb` and clients forked from the test
// (the start-up runs once per process, so every client is a child).
#include "AutoQdbLock.h"
#include "ChildReport.h"
#include "QdbDaemonFixture.h"
#include "OneSystemFixture.h"
#include "platform/PollUntil.h"
#include "DbMgr.h"
#include "qdbfile.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "ReadyChild.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "platform/OwnerEvent.h"
#include "platform/SharedSegment.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "QdbFreeIt.h"
#include "equivalency.h"
#include "flg.h"
#include "qdbmes.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using portlib::platform::OwnerEvent;
using portlib::platform::SharedSegment;

namespace {

using qdbfixture::QdbDaemonTest;
using qdbfixture::StartClient;

// A client that starts up, then waits for the parent's go before it runs
// `step`. Go(stay) returns the step's result; with stay the child lives on
// (until killed) after telling it.
struct Stage {
    explicit Stage(int (*step)()) {
        if (::pipe(up) != 0 || ::pipe(down) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            StartClient();
            char c = 'r';
            (void)!::write(up[1], &c, 1);
            bool stay = false;
            if (::read(down[0], &c, 1) == 1) stay = c == 's';
            char rc = static_cast<char>(step());
            (void)!::write(up[1], &rc, 1);
            if (stay)
                for (;;) ::pause();
            ::_exit(0);
        }
    }
    ~Stage() {
        if (pid > 0) hvtest::KillAndReap(pid);
        for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);
    }
    bool Started() {
        char c = 0;
        return pid > 0 && ::read(up[0], &c, 1) == 1 && c == 'r';
    }
    int Go(bool stay) {
        char c = stay ? 's' : 'g';
        if (::write(down[1], &c, 1) != 1 || ::read(up[0], &c, 1) != 1) return -1;
        return c;
    }
    pid_t pid = -1;
    int up[2] = {-1, -1};
    int down[2] = {-1, -1};
};

TEST_F(QdbDaemonTest, DaemonServesClientsAndRefusesASecondDaemon) {
    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available());
    auto client = cfgtest::RunChild([] {
        StartClient();
        AUTO_QDB_LOCK(lock);
        DbMgr* db = lock.getDbMgr(nullptr, -1, 1, 0);
        if (db == nullptr || std::strcmp(db->dbName(), "NODE1") != 0) return 10;
        return 0;
    });
    EXPECT_EQ(client.exitCode, 0) << client.err;

    pid_t second = StartDaemon();
    EXPECT_NE(Ended(second), 0);
    EXPECT_NE(Err(second).find("QDB Daemon is already running"), std::string::npos) << Err(second);
    EXPECT_EQ(::kill(daemon, 0), 0);  // the first one runs on
}

TEST_F(QdbDaemonTest, WithoutADaemonAClientEndsAndAKilledDaemonLeavesNoEvent) {
    auto alone = cfgtest::RunChild(StartClient);
    EXPECT_NE(alone.exitCode, 0);
    EXPECT_NE(alone.err.find("Can't run this application without QDB Daemon running"), std::string::npos)
        << alone.err;

    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available());
    Stop(daemon, SIGKILL);
    OwnerEvent::State st;
    EXPECT_EQ(OwnerEvent::Query("HVNTQDB", &st), ENOENT);
    auto after = cfgtest::RunChild(StartClient);
    EXPECT_NE(after.err.find("Can't run this application without QDB Daemon running"), std::string::npos)
        << after.err;
}

// A daemon killed before its start-up pass ended leaves the segment to the
// processes still attached (the cluster service holds it): the daemon that
// takes the segment over runs the pass, else no hierarchy would come back
// after that boot; its pass done, the segment no longer asks for one.
using DaemonTakeOver = qdbfixture::OneSystemTest;

TEST_F(DaemonTakeOver, ADaemonKilledBeforeItsStartUpPassEndedLeavesThePassToTheNext) {
    constexpr const char* kPassDone = "qdb: start-up states given";
    // What a daemon that dies inside its pass leaves in the segment.
    Stage holder([] {
        AUTO_QDB_LOCK(lk);
        if (lk.lock(-1) != 0 || pQdb_shgp == nullptr) return 10;
        pQdb_shgp->startupPassDue = 1;
        return 0;
    });
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.Go(true), 0);
    Stop(daemon_, SIGKILL);

    daemon_ = StartDaemon();
    ASSERT_TRUE(WaitForLine(daemon_, "qdb: serving")) << Err(daemon_);
    EXPECT_TRUE(WaitForLine(daemon_, kPassDone)) << Err(daemon_) << Out(daemon_);
    auto due = cfgtest::RunChild([] {
        StartClient();
        AUTO_QDB_LOCK(lk);
        if (lk.lock(-1) != 0 || pQdb_shgp == nullptr) return 10;
        return static_cast<int>(pQdb_shgp->startupPassDue);
    });
    EXPECT_EQ(due.exitCode, 0) << due.err;
}

TEST_F(QdbDaemonTest, SegmentLeftByProcessesThatAllEndedIsBuiltAfresh) {
    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available());
    auto mark = cfgtest::RunChild([] {
        StartClient();
        AUTO_QDB_LOCK(lock);
        if (lock.lock(-1) != 0) return 10;
        return DbMgr::create("MARK", 1) ? 0 : 11;
    });
    ASSERT_EQ(mark.exitCode, 0) << mark.err;
    Stop(daemon, SIGKILL);

    StartDaemon();
    ASSERT_TRUE(Available());
    auto look = cfgtest::RunChild([] {
        StartClient();
        AUTO_QDB_LOCK(lock);
        if (lock.getDbMgr(nullptr, -1, 1, 0) == nullptr) return 10;  // the new local database
        lock.release();
        AUTO_QDB_LOCK(again);
        return again.getDbMgr("MARK", -1, 1, 0) == nullptr ? 0 : 11;
    });
    EXPECT_EQ(look.exitCode, 0) << look.err;
}

// A daemon that takes its time between building and publishing: a client
// that starts meanwhile waits, and then sees everything that was loaded.
// The daemon publishes only once the client has started.
TEST_F(QdbDaemonTest, ClientStartedDuringTheLoadSeesTheLoadedData) {
    int gate[2], started[2];
    ASSERT_EQ(::pipe(gate), 0);
    ASSERT_EQ(::pipe(started), 0);
    pid_t daemon = ::fork();
    if (daemon == 0) {
        ::close(gate[0]);
        ::close(started[1]);
        set_errinfo("slowqdb", "QDB", 0, nullptr);
        setAppId(1);
        pQdb_uname = const_cast<char*>("NODE1");
        cfgstore::ReadTunables();
        qdbinitlocks(0, "HVNT", 108);
        (void)!::write(gate[1], "e", 1);  // the event exists
        int isnew = 0;
        if (qdbCreate("HVNT", 108, 0, &isnew) == nullptr || !isnew) ::_exit(10);
        qdbgetlock(__FILE__, __LINE__, kQdbWaitForever);
        DbMgr::create("LOADED", 1);
        pQdb_shgp->mgrAvailable = 1;
        qdbrlslock(__FILE__, __LINE__);
        char c;  // the load goes on until the client has started
        if (::read(started[0], &c, 1) != 1) ::_exit(12);
        if (qdbPublish() != 0) ::_exit(11);
        doDaemonAvail();
        for (;;) ::pause();
    }
    ::close(gate[1]);
    ::close(started[0]);
    daemons_.push_back(daemon);
    char c;
    ASSERT_EQ(::read(gate[0], &c, 1), 1);
    ::close(gate[0]);
    auto client = cfgtest::RunChild([&] {
        (void)!::write(started[1], "s", 1);
        StartClient();
        AUTO_QDB_LOCK(lock);
        return lock.getDbMgr("LOADED", -1, 1, 0) ? 0 : 10;
    });
    ::close(started[1]);
    EXPECT_EQ(client.exitCode, 0) << client.err;
}

TEST_F(QdbDaemonTest, LockIsNestedTimedAndHandedOnWhenItsHolderIsKilled) {
    StartDaemon();
    ASSERT_TRUE(Available());
    // Both start up first (the start-up itself takes the lock), then the
    // holder takes it twice and the waiter tries for 2 x 1024 ms.
    Stage holder([] { return qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) == 0 &&
                             qdbgetlock(__FILE__, __LINE__, 0) == 0 ? 0 : 1; });
    Stage waiter([] {
        AUTO_QDB_LOCK(lock);
        auto t0 = std::chrono::steady_clock::now();
        int rc = lock.lock(2);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        std::printf("lock(2) gave up after %lld ms\n", static_cast<long long>(ms));
        std::fflush(stdout);
        return rc == 1 ? 0 : 10 + rc;
    });
    ASSERT_TRUE(holder.Started() && waiter.Started());
    ASSERT_EQ(holder.Go(true), 0);  // holds and stays
    EXPECT_EQ(waiter.Go(false), 0);
    pid_t holderPid = holder.pid;
    hvtest::KillAndReap(holderPid);
    holder.pid = -1;
    auto next = cfgtest::RunChild([] {
        StartClient();
        if (qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) != 0) return 10;  // abandoned: held, with a warning
        // The segment is usable.
        DbMgr* local = ShmMgr::findDbMgr(nullptr, 0);
        if (local == nullptr || local->mem().getFreeElem(20, LIST, nullptr) == nullptr) return 11;
        if (qdbgetlock(__FILE__, __LINE__, 0) != 0 || qdbgetlock(__FILE__, __LINE__, 0) != 0) return 12;
        auto othersTry = [] {
            pid_t pid = ::fork();
            if (pid == 0) ::_exit(qdbgetlock(__FILE__, __LINE__, 0));
            int status = 0;
            ::waitpid(pid, &status, 0);
            return WEXITSTATUS(status);
        };
        if (othersTry() != 1) return 13;  // three holds keep it
        if (qdbrlslock(__FILE__, __LINE__) != 0) return 14;
        if (othersTry() != 1) return 15;
        qdbrlsall();
        if (qdbrlslock(__FILE__, __LINE__) != 1) return 16;  // nothing left to release
        return othersTry() == 0 ? 0 : 17;
    });
    EXPECT_EQ(next.exitCode, 0) << next.err;
    bool warned = false;
    for (const auto& e : next.events) warned |= e.text.find("abandoned") != std::string::npos && e.type == "warning";
    EXPECT_TRUE(warned);
}

TEST_F(QdbDaemonTest, FreeingASegmentAddressWaitsForTheLock) {
    StartDaemon();
    ASSERT_TRUE(Available());
    auto client = cfgtest::RunChild([] {
        StartClient();
        ShmStr* s = nullptr;
        {
            AUTO_QDB_LOCK(lock);
            DbMgr* local = lock.getDbMgr(nullptr, -1, 1, 0);
            if (local == nullptr || (s = ShmStr::create(local->mem(), "a string of 33 bytes with its NUL")) == nullptr)
                return 10;
        }
        std::atomic<int> stage{0};
        std::thread holder([&] {
            qdbgetlock(__FILE__, __LINE__, kQdbWaitForever);
            stage = 1;
            (void)portlib::platform::PollUntil([&] { return stage == 2; }, 20000, 1);
            qdbrlslock(__FILE__, __LINE__);
        });
        const bool held = portlib::platform::PollUntil([&] { return stage == 1; }, 20000, 1);
        std::thread freer([s] { qdbfreeit(s); });
        // The freer waits for the lock that the holder keeps.
        const bool waiting = held && portlib::platform::PollUntil([] { return qdbLockWaiters() == 1; }, 20000, 1);
        const bool untouched = s->h.tag == STRING;  // not yet freed
        stage = 2;
        holder.join();
        freer.join();
        if (!waiting) return 13;
        if (!untouched) return 11;
        if (s->h.tag != FREE) return 12;
        qdbfreeit(std::malloc(16));  // the heap's own
        qdbfreeit(nullptr);
        return 0;
    });
    EXPECT_EQ(client.exitCode, 0) << client.err;
}

TEST_F(QdbDaemonTest, ALockWaitThatFailsIsReportedNotTakenForHeld) {
    auto child = cfgtest::RunChild([] {
        set_errinfo("lockfail", "test", 0, nullptr);
        setAppId(1);
        qdbinitlocks(0, "HVNT", 108);
        // Spoil the mutex's kind word (glibc: int at offset 16 of the mutex,
        // which sits 8 bytes into the file) so that every wait fails.
        std::string path = std::string(std::getenv("HV_SYSTEM_DIR")) + "/run/sync/HVNT-sem";
        int fd = ::open(path.c_str(), O_RDWR);
        int bad = 0x7F;
        if (fd < 0 || ::pwrite(fd, &bad, sizeof bad, 8 + 16) != static_cast<ssize_t>(sizeof bad)) return 10;
        ::close(fd);
        if (qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) != -1) return 11;
        if (qdbgetlock(__FILE__, __LINE__, 100) != -1) return 12;
        if (Qdb_errno == 0 || Qdb_errbuf == nullptr || !std::strstr(Qdb_errbuf, "the wait on the database lock failed"))
            return 13;
        return 0;
    });
    EXPECT_EQ(child.exitCode, 0) << child.err;
}

int g_loads = 0;
int BusyLoader(DbMgr*) {
    ++g_loads;
    Qdb_errno = QDB_RETRY;
    return -1;
}

TEST_F(QdbDaemonTest, BusyDatabaseIsTriedAgainThenGivenUpAndTheCallersErrorIsKept) {
    StartDaemon();
    ASSERT_TRUE(Available());
    auto client = cfgtest::RunChild([] {
        StartClient();
        {
            AUTO_QDB_LOCK(lock);
            if (lock.lock(-1) != 0 || DbMgr::create("BUSY", 0) == nullptr) return 10;
        }
        ShmMgr::setCacheLoader(BusyLoader);
        hv_err(23, 1, QDB_NOEXIST, "caller's own error");
        AUTO_QDB_LOCK(lock);
        if (lock.getDbMgr("BUSY", 1, 5, 1) != nullptr || lock.held) return 11;
        if (g_loads != 5) return 12;
        if (lock.getDbMgr("NONE", 1, 5, 1) != nullptr || g_loads != 5) return 13;
        if (Qdb_errno != QDB_NOEXIST || Qdb_errbuf == nullptr || !std::strstr(Qdb_errbuf, "caller's own error"))
            return 14;
        // With no wait per try, 1000 tries end when they are used or the
        // second is over, whichever comes first.
        g_loads = 0;
        auto t0 = std::chrono::steady_clock::now();
        if (lock.getDbMgr("BUSY", 0, 1000, 1) != nullptr) return 15;
        cfgtest::Note(std::to_string(g_loads));
        return std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10) ? 0 : 16;
    });
    EXPECT_EQ(client.exitCode, 0) << client.err;
}

TEST_F(QdbDaemonTest, StartUpRefusesBadSegmentSizesAndReportsTheRealManagerWait) {
    struct Case {
        const char* tunables;
        const char* text;
    } cases[] = {
        {"SHMMAXSIZ=8251\n", "SHMMAXSIZ 8251 is outside 8252 to 2147483647"},
        {"SHMMAXSIZ=2147483648\n", "SHMMAXSIZ 2147483648 is outside"},
        {"INITTIMEOUT=1\n", "wait period of 1 seconds for MXR to become available has been exceeded"},
    };
    for (const Case& c : cases) {
        Tunables(c.tunables);
        pid_t daemon = StartDaemon();
        EXPECT_NE(Ended(daemon), 0) << c.tunables;
        EXPECT_NE(Err(daemon).find(c.text), std::string::npos) << c.tunables << Err(daemon);
    }
    Tunables("SHMMAXSIZ=8252\n");  // the smallest that holds the local database
    pid_t daemon = StartDaemon();
    EXPECT_TRUE(Available()) << Err(daemon);
}


// "a,b,c" of a null-ended list from the library, freed.
std::string Listed(char** list) {
    std::string out;
    for (char** p = list; p != nullptr && *p != nullptr; ++p) {
        out += std::string(out.empty() ? "" : ",") + *p;
        qdbfreeit(*p);
    }
    qdbfreeit(list);
    return out;
}

// The local system's own record: made ALIVE on a fresh root, protected,
// written to the systems file, and never doubled when the file holds it.
TEST_F(QdbDaemonTest, TheLocalSystemIsRecordedAliveProtectedAndWrittenOnce) {
    const std::string systemsFile = root_ + "/config/systems";
    for (int boot = 0; boot < 2; ++boot) {
        pid_t daemon = StartDaemon();
        ASSERT_TRUE(Available()) << Err(daemon);
        const std::string note = qdbfixture::ClientNote(nullptr, [] {
            std::string out = Listed(sys_list(nullptr)) + ":" + static_cast<char>(sys_getstate(nullptr, "NODE1"));
            out += ":" + qdbfixture::ResultAndErrno(sys_setstate(nullptr, "NODE1", 'D', "down"));
            const int removed = sys_remove(nullptr, "NODE1");
            const bool named = Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, "local system") != nullptr;
            out += ":" + qdbfixture::ResultAndErrno(removed) + (named ? "" : "/unnamed");
            out += ":" + std::to_string(sys_sync(nullptr));
            return out;
        });
        EXPECT_EQ(note, "NODE1:A:-1/5:-1/5:0") << "boot " << boot;
        const std::string text = cfgtest::ReadFile(systemsFile);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_EQ(text.rfind("NODE1\x01" "A", 0), 0u) << text;
        Stop(daemon);
    }
}

// Pending action flags are gone after a fresh start; other flags stay.
TEST_F(QdbDaemonTest, ActionFlagsDoNotSurviveAFreshStart) {
    std::filesystem::create_directories(root_ + "/config");
    std::ofstream(root_ + "/config/flg") << "!action!restore!NODE1!12\nkeep\n!actionx\n";
    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available()) << Err(daemon);
    EXPECT_EQ(qdbfixture::ClientNote(nullptr, [] { return Listed(flg_list(nullptr)); }), "keep,!actionx");
}

// The resource-initialising program runs before any manager: its start-up
// returns at once; an ordinary client waits for the manager and ends with
// the critical report when it does not come.
TEST_F(QdbDaemonTest, OnlyTheResourceInitialiserStartsWithoutTheManager) {
    Tunables("INITTIMEOUT=1\n");
    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available(false)) << Err(daemon);
    auto initres = cfgtest::RunChild([] {
        pQdb_arg0 = const_cast<char*>("/opt/hv/bin/qdbinitres");
        StartClient();
        return pQdb_shgp != nullptr && pQdb_shgp->mgrAvailable == 0 ? 0 : 10;
    });
    EXPECT_EQ(initres.exitCode, 0) << initres.err;
    auto client = cfgtest::RunChild([] {
        pQdb_arg0 = const_cast<char*>("/opt/hv/bin/qdbinitresx");
        StartClient();
        return 0;
    });
    EXPECT_NE(client.exitCode, 0) << client.err;
    EXPECT_NE(client.err.find("(No. 333) wait period of 1 seconds for MXR to become available has been exceeded"),
              std::string::npos)
        << client.err;
}

// An unchanged equivalency table is not written: the file keeps its inode
// and time, and none appears where there was none.
TEST_F(QdbDaemonTest, SyncWritesNoUnchangedEquivalencyTable) {
    const std::string config = root_ + "/config";
    std::filesystem::create_directories(config);
    std::ofstream(config + "/equivalencies") << "";
    struct stat before {};
    ASSERT_EQ(::stat((config + "/equivalencies").c_str(), &before), 0);
    pid_t daemon = StartDaemon();
    ASSERT_TRUE(Available()) << Err(daemon);
    EXPECT_EQ(qdbfixture::ClientNote(nullptr, [] { return std::to_string(qdbsync(nullptr)) + std::to_string(eqv_sync(nullptr)); }),
              "00");
    struct stat after {};
    ASSERT_EQ(::stat((config + "/equivalencies").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    std::filesystem::remove(config + "/equivalencies");
    EXPECT_EQ(qdbfixture::ClientNote(nullptr, [] { return std::to_string(qdbsync(nullptr)); }), "0");
    EXPECT_FALSE(std::filesystem::exists(config + "/equivalencies"));
}

}  // namespace
