// The flags table on one system: the real daemon stand-in and manager, the
// clients in child processes.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "OneSystemFixture.h"
#include "ShmMgr.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using qdbfixture::OneSystemTest;
using qdbfixture::StartClient;

// The names of the local database's flags in storage order, joined by ",".
std::string StoredFlags() {
    char** list = flg_list(nullptr);
    std::string out;
    for (char** p = list; p && *p; ++p) out += std::string(out.empty() ? "" : ",") + *p;
    for (char** p = list; p && *p; ++p) qdbfreeit(*p);
    qdbfreeit(list);
    qdberrclr();
    return out;
}

class FlagsTable : public OneSystemTest {
protected:
    void BeforeDaemon() override { RootFile("config/flg", "loaded_a\n\nloaded_b\n"); }
};

TEST_F(FlagsTable, LoadedFromTheFileAndMatchedByPattern) {
    const std::string note = Client([] {
        std::string out = StoredFlags() + ";";
        for (const char* f : {"pre*", "*suf", "exact"}) out += Result(flg_create(nullptr, f)) + ",";
        struct Case {
            const char* name;
            int mode;
        };
        // exact, "x*" by prefix, "*x" by suffix, shorter than the suffix, and
        // the patterns apply only with mode 1.
        for (Case c : {Case{"exact", 0}, Case{"exac", 1}, Case{"prefix", 1}, Case{"prefix", 0}, Case{"pre", 1},
                       Case{"pr", 1}, Case{"the_suf", 1}, Case{"suf", 1}, Case{"uf", 1}, Case{"the_suf", 0},
                       Case{"pre*", 0}})
            out += std::to_string(flg_test(nullptr, c.name, c.mode));
        return out;
    });
    EXPECT_EQ(note, "loaded_a,loaded_b;0/0,0/0,0/0,01010100110");
}

TEST_F(FlagsTable, BadNamesAndMissingFlagsAreRefused) {
    const std::string note = Client([] {
        std::string out;
        for (const char* bad : {"a\x01" "b", "a\nb"}) out += Result(flg_create(nullptr, bad)) + ",";
        out += Result(flg_create(nullptr, "")) + ",";
        out += Result(flg_create(nullptr, "loaded_a")) + ",";
        out += Result(flg_remove(nullptr, "never")) + ",";
        out += Result(flg_test(nullptr, "", 0)) + ",";
        out += Result(flg_test("NOSUCH", "loaded_a", 0)) + ",";
        const bool none = flg_list("NOSUCH") == nullptr;
        out += std::to_string(none) + "/" + std::to_string(Qdb_errno);
        qdberrclr();
        return out + ";" + StoredFlags();
    });
    EXPECT_EQ(note, "-1/5,-1/5,-1/5,-1/4,-1/7,-1/5,-1/7,1/7;loaded_a,loaded_b");
}

TEST_F(FlagsTable, SyncWritesTheFileOnlyWhenChanged) {
    const std::string file = root_ + "/config/flg";
    const std::string note = Client([] {
        std::string out = Result(flg_sync(nullptr)) + ",";  // unchanged since the load
        out += Result(flg_create(nullptr, "new")) + ",";
        out += Result(flg_remove(nullptr, "loaded_a")) + ",";
        out += Result(flg_sync(nullptr)) + ",";
        out += Result(flg_sync("NOSUCH"));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0,0/0,-1/7");
    // Removing loaded_a freed the first slot; "new" took the next free one.
    EXPECT_EQ(cfgtest::ReadFile(file), "loaded_b\nnew\n");
}

TEST_F(FlagsTable, DebugTracesFollowTheLocalFlags) {
    const cfgtest::ChildResult r = cfgtest::RunChild([] {
        StartClient();
        hv_debug(__FILE__, __LINE__, "LD.probe", "before %d\n", 1);
        flg_create(nullptr, "LD*");
        flg_create(nullptr, "#debug_to_stderr");
        hv_debug(__FILE__, __LINE__, "LD.probe", "after %d\n", 2);
        hv_debug(__FILE__, __LINE__, "XX.probe", "other %d\n", 3);
        return 0;
    });
    EXPECT_EQ(r.err.find("before 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("after 2"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("other 3"), std::string::npos) << r.err;
}

// The action lock's clock of the actors, shared with the test so that the
// test turns the second, and each actor's count of looks that found it
// still behind an older flag.
struct SharedClock {
    std::atomic<unsigned long> seconds{1000};
    std::atomic<int> behind[4]{};
};
SharedClock* g_clock = nullptr;
int g_actor = 0;
unsigned long SharedNow() { return g_clock->seconds.load(); }
void CountBehind(int) { g_clock->behind[g_actor].fetch_add(1); }
// A clock whose second is over once it has been read: a lone caller does
// not wait for the real second to pass.
unsigned long TickingNow() {
    static unsigned long seconds = 1000;
    return seconds++;
}

// Processes that take the administration lock of actions, each appending
// "+<id>" when it has it and "-<id>" before it gives it back.
class ActionLock : public OneSystemTest {
protected:
    // How long an actor keeps the lock.
    enum class Hold { kNo, kUntilOpened, kForEver };

    void SetUp() override {
        void* mem = ::mmap(nullptr, sizeof(SharedClock), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mem, MAP_FAILED);
        g_clock = new (mem) SharedClock;
        OneSystemTest::SetUp();
        log_ = sys_.Path() + "/actions";
    }
    void TearDown() override {
        for (auto& g : gates_) Open(g.first);
        OneSystemTest::TearDown();
        ::munmap(g_clock, sizeof(SharedClock));
        g_clock = nullptr;
    }
    void Append(const std::string& text) const {
        const int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        (void)!::write(fd, text.data(), text.size());
        ::close(fd);
    }
    // A child on the shared clock that takes the lock and holds it as told;
    // kUntilOpened: until the test opens its gate (Open(id)).
    pid_t Actor(int id, Hold hold) {
        int gate[2];
        if (::pipe(gate) != 0) return -1;
        gates_[id] = gate[1];
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Only the test may hold a gate open.
            for (auto& g : gates_) ::close(g.second);
            const std::string err = sys_.Path() + "/actor" + std::to_string(id) + ".err";
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            g_actor = id;
            StartClient();
            flg::setActionClock(SharedNow, CountBehind);
            char name[256];
            if (flg::wait_for_action("NODE1:test", name, ::getpid(), nullptr) != 0) ::_exit(2);
            Append("+" + std::to_string(id));
            if (hold == Hold::kForEver)
                for (;;) ::pause();
            if (hold == Hold::kUntilOpened) {
                // The gate opens when its last writer closes (at most 60 s).
                pollfd p{gate[0], POLLIN, 0};
                if (::poll(&p, 1, 60000) != 1) ::_exit(3);
            }
            Append("-" + std::to_string(id));
            flg::action_has_finished("NODE1:test");
            ::_exit(0);
        }
        ::close(gate[0]);
        return pid;
    }
    // Lets actor id give the lock back.
    void Open(int id) {
        const auto at = gates_.find(id);
        if (at == gates_.end() || at->second < 0) return;
        ::close(at->second);
        at->second = -1;
    }
    // The shared clock leaves the current second.
    static void NextSecond() { g_clock->seconds.fetch_add(1); }
    // Waits (bounded) until actor id has found itself behind an older flag
    // `looks` more times than `before`.
    static bool StillBehind(int id, int before, int looks = 2) {
        return qdbfixture::Eventually([&] { return g_clock->behind[id].load() >= before + looks; });
    }
    // The actor's exit code, 100 + the signal that ended it, or -1 when it
    // is still running after 60 s (it is killed then).
    static int Exit(pid_t pid) {
        int status = 0;
        if (!qdbfixture::Eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    }
    std::string Log() const { return cfgtest::ReadFile(log_); }
    // Waits (bounded) until the log holds text.
    bool LogHas(const std::string& text) const {
        return qdbfixture::Eventually([&] { return Log().find(text) != std::string::npos; });
    }
    static std::string Tag(pid_t pid) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "!action!%5.5u!", static_cast<unsigned>(pid));
        return tag;
    }
    // Waits (bounded) until pid's wait flag is stored.
    bool FlagOf(pid_t pid) {
        return qdbfixture::Eventually(
            [&] { return Client([] { return StoredFlags(); }).find(Tag(pid)) != std::string::npos; });
    }
    // Waits (bounded) until the local database holds `count` wait flags.
    bool WaitFlags(int count) {
        return qdbfixture::Eventually([&] {
            return Client([] {
                       std::string n = StoredFlags();
                       int c = 0;
                       for (std::size_t p = n.find("!action!"); p != std::string::npos; p = n.find("!action!", p + 1))
                           ++c;
                       return std::to_string(c);
                   }) == std::to_string(count);
        });
    }
    std::string log_;
    std::map<int, int> gates_;  // actor id -> the write end of its gate
};

TEST_F(ActionLock, ProcessesInDifferentSecondsGoOneAtATimeInOrder) {
    std::vector<pid_t> kids;
    for (int id = 1; id <= 3; ++id) {
        kids.push_back(Actor(id, Hold::kUntilOpened));
        ASSERT_TRUE(FlagOf(kids.back()));
        // The next flag carries a later second.
        NextSecond();
    }
    ASSERT_TRUE(LogHas("+1"));
    for (int id = 2; id <= 3; ++id) {
        ASSERT_TRUE(StillBehind(id, 0));
        EXPECT_EQ(Log(), "+1");
    }
    Open(1);
    ASSERT_TRUE(LogHas("+2"));
    ASSERT_TRUE(StillBehind(3, g_clock->behind[3].load()));
    EXPECT_EQ(Log(), "+1-1+2");
    Open(2);
    Open(3);
    for (pid_t k : kids) EXPECT_EQ(Exit(k), 0);
    EXPECT_EQ(Log(), "+1-1+2-2+3-3");
}

TEST_F(ActionLock, ProcessesOfOneSecondGoBySmallerPid) {
    std::vector<pid_t> kids;
    for (int id = 1; id <= 3; ++id) kids.push_back(Actor(id, Hold::kUntilOpened));
    // All three flags carry the same second; once it is over, one goes.
    ASSERT_TRUE(WaitFlags(3));
    NextSecond();
    std::vector<pid_t> byPid = kids;
    std::sort(byPid.begin(), byPid.end());
    std::string expected;
    for (pid_t p : byPid) {
        const int id = static_cast<int>(std::find(kids.begin(), kids.end(), p) - kids.begin()) + 1;
        expected += "+" + std::to_string(id);
        ASSERT_TRUE(LogHas(expected)) << Log();
        Open(id);
        expected += "-" + std::to_string(id);
    }
    for (pid_t k : kids) EXPECT_EQ(Exit(k), 0);
    EXPECT_EQ(Log(), expected);
}

TEST_F(ActionLock, AKilledHolderLetsTheNextGo) {
    const pid_t holder = Actor(1, Hold::kForEver);
    ASSERT_TRUE(FlagOf(holder));
    // The waiter's flag carries a later second than the holder's.
    NextSecond();
    ASSERT_TRUE(LogHas("+1"));
    const pid_t waiter = Actor(2, Hold::kNo);
    ASSERT_TRUE(WaitFlags(2));
    NextSecond();
    ASSERT_TRUE(StillBehind(2, 0));
    EXPECT_EQ(Log(), "+1");
    ::kill(holder, SIGKILL);
    EXPECT_EQ(Exit(holder), 100 + SIGKILL);
    EXPECT_EQ(Exit(waiter), 0);
    EXPECT_EQ(Log(), "+1+2-2");
    EXPECT_EQ(Client([] { return StoredFlags(); }), "");
}

TEST_F(ActionLock, TheHolderRemovesItsOwnFlagEvenWhenAWaitersIsStoredFirst) {
    // A flag in the first slot, freed after the holder's flag is stored, so
    // the waiter's flag takes the slot before the holder's.
    ASSERT_EQ(Client([] { return Result(flg_create(nullptr, "filler")); }), "0/0");
    const pid_t holder = Actor(1, Hold::kUntilOpened);
    ASSERT_TRUE(FlagOf(holder));
    NextSecond();
    ASSERT_TRUE(LogHas("+1"));
    ASSERT_EQ(Client([] { return Result(flg_remove(nullptr, "filler")); }), "0/0");
    const pid_t waiter = Actor(2, Hold::kNo);
    ASSERT_TRUE(FlagOf(waiter));
    const std::string order = Client([] { return StoredFlags(); });
    EXPECT_LT(order.find(Tag(waiter)), order.find(Tag(holder))) << order;
    NextSecond();
    Open(1);
    EXPECT_EQ(Exit(holder), 0);
    EXPECT_EQ(Exit(waiter), 0);
    EXPECT_EQ(Log(), "+1-1+2-2");
}

TEST_F(ActionLock, NestedCallsHoldOneFlagUntilTheOutermostFinish) {
    const std::string note = Client([] {
        flg::setActionClock(TickingNow, nullptr);
        char name[256];
        std::string out;
        out += Result(flg::wait_for_action("NODE1:x", name, ::getpid(), nullptr)) + ",";
        const std::string first = name;
        out += Result(flg::wait_for_action("NODE1:x", name, ::getpid(), nullptr)) + ",";
        out += std::to_string(first == name) + ",";
        out += std::to_string(flg_test(nullptr, first.c_str(), 0)) + ",";
        out += Result(flg::action_has_finished("NODE1:x")) + ",";
        out += std::to_string(flg_test(nullptr, first.c_str(), 0)) + ",";
        out += Result(flg::action_has_finished("NODE1:x")) + ",";
        out += std::to_string(flg_test(nullptr, first.c_str(), 0)) + ",";
        char expect[64];
        std::snprintf(expect, sizeof expect, "!action!%5.5u!", static_cast<unsigned>(::getpid()));
        out += std::to_string(first.rfind(expect, 0) == 0 && first.size() > 8 && first.substr(first.size() - 7) == "NODE1:x");
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,1,0,0/0,0,0/0,1,1");
}

TEST_F(ActionLock, OwnersAreTestedWhereTheyRun) {
    const std::string note = Client([] {
        flg::setActionClock(TickingNow, nullptr);
        char name[256];
        std::string out;
        // An older flag of a local process that is gone: removed, and the
        // caller goes on.
        flg_create(nullptr, "!action!1073741808!100!NODE1:gone");
        out += Result(flg::wait_for_action("NODE1:y", name, ::getpid(), nullptr)) + ",";
        out += Result(flg::action_has_finished("NODE1:y")) + ",";
        out += StoredFlags() + ";";
        // An older flag of a process on a system that cannot be asked: error
        // 291 (code 10), and the caller's own flag goes so it blocks no one.
        flg_create(nullptr, "!action!00001!100!NODE2:far");
        out += Result(flg::wait_for_action("NODE1:y", name, ::getpid(), nullptr)) + ",";
        return out + StoredFlags();
    });
    EXPECT_EQ(note, "0/0,0/0,;-1/10,!action!00001!100!NODE2:far");
}

TEST_F(ActionLock, FinishingWithoutWaitingEndsTheProcess) {
    const cfgtest::ChildResult r = cfgtest::RunChild([] {
        StartClient();
        flg::action_has_finished("NODE1:x");
        return 0;
    });
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("action_has_finished() called before wait_for_action()"), std::string::npos) << r.err;
}

}  // namespace
