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
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
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

// Processes that take the administration lock of actions, each appending
// "+<id>" when it has it and "-<id>" before it gives it back.
class ActionLock : public OneSystemTest {
protected:
    void SetUp() override {
        OneSystemTest::SetUp();
        log_ = sys_.Path() + "/actions";
    }
    void Append(const std::string& text) const {
        const int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        (void)!::write(fd, text.data(), text.size());
        ::close(fd);
    }
    // A child that starts, waits until `second` (0: at once), takes the
    // lock, holds it holdMs (or for ever) and gives it back.
    pid_t Actor(int id, std::time_t second, int holdMs) {
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string err = sys_.Path() + "/actor" + std::to_string(id) + ".err";
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            StartClient();
            while (second != 0 && std::time(nullptr) < second) ::usleep(1000);
            char name[256];
            if (flg::wait_for_action("NODE1:test", name, ::getpid(), nullptr) != 0) ::_exit(2);
            Append("+" + std::to_string(id));
            if (holdMs < 0)
                for (;;) ::pause();
            ::usleep(static_cast<useconds_t>(holdMs) * 1000);
            Append("-" + std::to_string(id));
            flg::action_has_finished("NODE1:test");
            ::_exit(0);
        }
        return pid;
    }
    static int Exit(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    }
    std::string Log() const { return cfgtest::ReadFile(log_); }
    // Waits (bounded) until the log holds text.
    bool LogHas(const std::string& text, int seconds = 20) const {
        for (int i = 0; i < seconds * 100; ++i) {
            if (Log().find(text) != std::string::npos) return true;
            ::usleep(10000);
        }
        return false;
    }
    static std::string Tag(pid_t pid) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "!action!%5.5u!", static_cast<unsigned>(pid));
        return tag;
    }
    // Waits (bounded) until pid's wait flag is stored.
    bool FlagOf(pid_t pid) {
        for (int i = 0; i < 1000; ++i) {
            if (Client([] { return StoredFlags(); }).find(Tag(pid)) != std::string::npos) return true;
            ::usleep(20000);
        }
        return false;
    }
    // Waits (bounded) until the local database holds `count` wait flags.
    bool WaitFlags(int count) {
        for (int i = 0; i < 2000; ++i) {
            const std::string note = Client([] {
                std::string n = StoredFlags();
                int c = 0;
                for (std::size_t p = n.find("!action!"); p != std::string::npos; p = n.find("!action!", p + 1)) ++c;
                return std::to_string(c);
            });
            if (note == std::to_string(count)) return true;
            ::usleep(20000);
        }
        return false;
    }
    std::string log_;
};

TEST_F(ActionLock, ProcessesInDifferentSecondsGoOneAtATimeInOrder) {
    std::vector<pid_t> kids;
    for (int id = 1; id <= 3; ++id) {
        kids.push_back(Actor(id, 0, 1500));
        ASSERT_TRUE(FlagOf(kids.back()) || LogHas("+" + std::to_string(id), 0));
        // The next flag carries a later second: the clock has moved past the
        // second this one was stored in.
        const std::time_t stored = std::time(nullptr);
        for (int i = 0; i < 200 && std::time(nullptr) <= stored; ++i) ::usleep(10000);
    }
    for (pid_t k : kids) EXPECT_EQ(Exit(k), 0);
    EXPECT_EQ(Log(), "+1-1+2-2+3-3");
}

TEST_F(ActionLock, ProcessesOfOneSecondGoBySmallerPid) {
    const std::time_t second = std::time(nullptr) + 3;
    std::vector<pid_t> kids;
    for (int id = 0; id < 3; ++id) kids.push_back(Actor(id, second, 300));
    std::vector<pid_t> byPid = kids;
    std::sort(byPid.begin(), byPid.end());
    for (pid_t k : kids) EXPECT_EQ(Exit(k), 0);
    std::string expected;
    for (pid_t p : byPid) {
        const int id = static_cast<int>(std::find(kids.begin(), kids.end(), p) - kids.begin());
        expected += "+" + std::to_string(id) + "-" + std::to_string(id);
    }
    EXPECT_EQ(Log(), expected);
}

TEST_F(ActionLock, AKilledHolderLetsTheNextGo) {
    const pid_t holder = Actor(1, 0, -1);
    // The holder goes on only once the clock has left its flag's second, so
    // the waiter's flag carries a later one.
    ASSERT_TRUE(LogHas("+1"));
    const pid_t waiter = Actor(2, 0, 0);
    ASSERT_TRUE(WaitFlags(2));
    EXPECT_FALSE(LogHas("+2", 1));
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
    const pid_t holder = Actor(1, 0, 5000);
    ASSERT_TRUE(LogHas("+1"));
    ASSERT_EQ(Client([] { return Result(flg_remove(nullptr, "filler")); }), "0/0");
    const pid_t waiter = Actor(2, 0, 0);
    ASSERT_TRUE(FlagOf(waiter));
    const std::string order = Client([] { return StoredFlags(); });
    EXPECT_LT(order.find(Tag(waiter)), order.find(Tag(holder))) << order;
    EXPECT_EQ(Exit(holder), 0);
    EXPECT_EQ(Exit(waiter), 0);
    EXPECT_EQ(Log(), "+1-1+2-2");
}

TEST_F(ActionLock, NestedCallsHoldOneFlagUntilTheOutermostFinish) {
    const std::string note = Client([] {
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
