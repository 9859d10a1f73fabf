// Recovery on one system with real scripts: candidates farthest first and
// each once, equal distances in root order, the failing hierarchy taken out
// by its remove scripts and marked failed when nothing recovers it, events
// against resources out of service, and the transfer list's bound.
#include "ActionFixture.h"
#include "flg.h"
#include "qdbrecover.h"

#include "systems.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <cstring>
#include <string>

namespace {

using namespace actiontest;

// T (ta) on M (tb) on F (tc); P1 (td) and P2 (te) on F. Recovery scripts
// for the event "hw,down" on ta, td, te and tc; none on tb.
class RecoveryTest : public ActionTest {
protected:
    std::string TypeOne() override { return ""; }
    std::string TypeTwo() override { return ""; }
    void MoreFiles() override {
        ActionTest::MoreFiles();
        RootFile("subsys/app1/resources/ta/instances", Line("T", {"M"}));
        RootFile("subsys/app1/resources/tb/instances", Line("M", {"F"}));
        RootFile("subsys/app1/resources/tc/instances", Line("F"));
        RootFile("subsys/app1/resources/td/instances", Line("P1", {"F"}));
        RootFile("subsys/app1/resources/te/instances", Line("P2", {"F"}));
        for (const char* t : {"ta", "td", "te", "tc"}) {
            const std::string rel = std::string("subsys/app1/resources/") + t + "/recovery/hw/down";
            RootFile(rel, "#!/bin/sh\n"
                          "echo \"NODE1 recover " + std::string(t) + " $*\" >> '" + root_ + "/journal'\n"
                          "[ -e '" + root_ + "/fail/recover." + t + "' ] && exit 1\n"
                          "exit 0\n");
            std::filesystem::permissions(root_ + "/" + rel, std::filesystem::perms::owner_all);
        }
    }
    static std::string Recover(const char* event, std::vector<std::pair<std::string, state>> states) {
        SetStates(states);
        const int rc = qdbrecover::local_start_recovery("hw", event, "id-F", "arg1");
        qdberrclr();
        return std::to_string(rc) + ";" + States({"T", "M", "P1", "P2", "F"}) + ";" +
               std::to_string(flg_test(nullptr, "!object.table_stale", 0));
    }
};

const std::vector<std::pair<std::string, state>> kAllIn{{"T", ISP}, {"M", ISP}, {"P1", ISP}, {"P2", ISP}, {"F", ISP}};

TEST_F(RecoveryTest, CandidatesRunFarthestFirstEachOnceUntilOneSucceeds) {
    struct Case {
        std::vector<const char*> failing;
        const char* steps;
    } cases[] = {
        {{}, "recover ta arg1"},
        // Equal distances go in root order; a failed candidate is not tried again.
        {{"ta"}, "recover ta arg1,recover td arg1"},
        {{"ta", "td"}, "recover ta arg1,recover td arg1,recover te arg1"},
        {{"ta", "td", "te"}, "recover ta arg1,recover td arg1,recover te arg1,recover tc arg1"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(root_ + "/fail");
        std::filesystem::create_directories(root_ + "/fail");
        for (const char* t : c.failing) Fail("recover", t);
        const std::string note = Client([] {
            const std::string out = Recover("down", kAllIn);
            return out + ";" + Description("F");
        });
        EXPECT_EQ(note.substr(0, note.find(";recovery succeeded")), "0;T=ISP,M=ISP,P1=ISP,P2=ISP,F=ISP;1") << c.steps;
        EXPECT_NE(note.find("recovery succeeded after event \"hw,down\" using recovery at resource"), std::string::npos)
            << note;
        EXPECT_EQ(Steps(), c.steps);
    }
}

TEST_F(RecoveryTest, WhenNothingRecoversTheHierarchyLeavesServiceByItsScriptsAndIsMarkedFailed) {
    for (const char* t : {"ta", "td", "te", "tc"}) Fail("recover", t);
    // All candidates failed (-3), or no script for the event at all (-2):
    // the members in service are removed parents first, then the failing
    // one is OSF and everything above it OSU.
    for (const char* event : {"down", "other"}) {
        const std::string note = Client([event] {
            const std::string out = Recover(event, kAllIn);
            return out + ";" + Description("F");
        });
        const std::string descr = std::strcmp(event, "down") == 0
                                      ? "all attempts at local recovery have failed after event \"hw,down\""
                                      : "no local recovery found for failure event \"hw,other\"";
        EXPECT_EQ(note, "0;T=OSU,M=OSU,P1=OSU,P2=OSU,F=OSF;0;" + descr) << event;
        std::string steps = Steps();
        if (std::strcmp(event, "down") == 0) {
            const std::string tried = "recover ta arg1,recover td arg1,recover te arg1,recover tc arg1,";
            ASSERT_EQ(steps.substr(0, tried.size()), tried);
            steps = steps.substr(tried.size());
        }
        EXPECT_EQ(steps, "remove P1,remove P2,remove T,remove M,remove F") << event;
    }
}

TEST_F(RecoveryTest, AnEventAgainstAResourceOutOfServiceOrInServiceUnprotectedRunsNothing) {
    const std::string note = Client([] {
        std::string out;
        for (state s : {OSU, OSF, ISU}) {
            int result = -9;
            SetStates(kAllIn);
            SetStates({{"F", s}});
            const std::string failed = qdbrecover::local_recovery("hw", "down", "id-F", "", &result);
            out += std::to_string(result) + ":" + failed + ":" + States({"F"}) + ",";
        }
        int result = -9;
        qdbrecover::local_recovery("hw", "down", "id-none", "", &result);
        out += std::to_string(result) + "/" + std::to_string(Qdb_errno);
        qdberrclr();
        // Names that would leave the recovery directory find no script.
        SetStates(kAllIn);
        const std::string failed = qdbrecover::local_recovery("..", "down", "id-F", "", &result);
        qdberrclr();
        return out + "," + std::to_string(result) + ":" + failed;
    });
    EXPECT_EQ(note, "0::F=OSU,0::F=OSF,0::F=ISU,0/7,-2:F");
    EXPECT_EQ(Steps(), "");
}

TEST(TransferList, KeepsCopiesNewestFirstAndRefusesATextThatReachesTwoThousand) {
    xferlist_c list;
    {
        std::string a = "alpha", b = "beta";
        EXPECT_EQ(list.add_to_list(a.c_str()), 0);
        EXPECT_EQ(list.add_to_list(b.c_str()), 0);
        EXPECT_EQ(list.add_to_list("alpha"), 1);
        EXPECT_EQ(list.add_to_list(""), 2);
        a.assign("changed");  // the list holds its own copies
    }
    char buf[2000];
    ASSERT_NE(list.conv_list_to_string(buf), nullptr);
    EXPECT_EQ(std::string(buf), "beta\x01" "alpha");
    EXPECT_EQ(list.test_and_remove_from_list("beta"), 0);
    EXPECT_EQ(list.test_and_remove_from_list("beta"), -1);
    list.remove_list();
    EXPECT_EQ(list.conv_list_to_string(buf), nullptr);

    // n tags of 99 characters: 99n + (n - 1) separators; the text may not
    // reach 2,000 characters with its terminator.
    const std::string tag99(99, 'x');
    for (int n = 1; n <= 20; ++n) {
        xferlist_c l;
        for (int i = 0; i < n; ++i) l.add_to_list((tag99.substr(0, 96) + std::to_string(100 + i)).c_str());
        const bool fits = l.conv_list_to_string(buf) != nullptr;
        EXPECT_EQ(fits, n <= 19) << n;
        if (fits) EXPECT_EQ(std::strlen(buf), static_cast<std::size_t>(99 * n + n - 1));
    }
}

}  // namespace

namespace {

// PRI is the primary of PRI2 on NODE2, SEC the secondary of SEC2 on NODE2;
// NODE2 has failed (its comm-down flag is up) and its copy here holds the
// states it last had.
class MachineRestoreTest : public ActionTest {
protected:
    std::string TypeOne() override { return Line("PRI") + Line("SEC", {}, 'E'); }
    std::string TypeTwo() override { return ""; }
    void MoreFiles() override {
        ActionTest::MoreFiles();
        RootFile("config/equivalencies", "NODE1\x01PRI\x01NODE2\x01PRI2\x01S\n" "NODE2\x01SEC2\x01NODE1\x01SEC\x01S\n");
    }
};

TEST_F(MachineRestoreTest, SharedResourcesThatRanOnTheDeadSystemAreRestoredHere) {
    struct Case {
        char pri2, sec2;  // the states in the held copy
        const char* steps;
        const char* states;
    } cases[] = {
        // The hierarchy had failed over to NODE2: its primary comes back here.
        {'p', 'p', "restore PRI,restore SEC", "PRI=ISP,SEC=ISP"},
        {'i', 'u', "restore PRI,restore SEC", "PRI=ISP,SEC=ISP"},
        // Out of service there: only the resource whose primary was there.
        {'u', 'u', "restore SEC", "PRI=OSU,SEC=ISP"},
        {'f', 'p', "restore SEC", "PRI=OSU,SEC=ISP"},
        // (each run is framed by the global restore scripts)
    };
    for (const Case& c : cases) {
        const std::string note = Client([&] {
            SetStates({{"PRI", OSU}, {"SEC", OSU}});
            FillCopy("NODE2", CopyLine("typ1", "PRI2", 'T') + CopyLine("typ1", "SEC2", 'A'));
            qdberrclr();
            std::string out = "0";
            {
                AUTO_QDB_LOCK(lk);
                lk.lock(-1);
                DbMgr* copy = ShmMgr::findDbMgr("NODE2", 0);
                for (auto [tag, st] : {std::pair{"PRI2", c.pri2}, std::pair{"SEC2", c.sec2}})
                    if (hvresource* r = copy ? hvresource::findres(copy, tag, nullptr) : nullptr) r->resstate = st;
                    else out = "no copy";
            }
            if (flg_create(nullptr, "!comm_down!NODE2") != 0) qdberrclr();
            // As the lost communication does first: NODE2 is set dead, which
            // leaves its copy stale but still holding its last states.
            if (sys_setstate(nullptr, "NODE2", 'D', "failed") != 0) out = "not set dead";
            out += "," + std::to_string(qdbrecover::local_mach_restore("NODE2"));
            qdberrclr();
            return out + ";" + States({"PRI", "SEC"});
        });
        EXPECT_EQ(note, std::string("0,0;") + c.states) << c.pri2 << c.sec2;
        EXPECT_EQ(Steps(), std::string("global pre restore,app1 pre restore,") + c.steps +
                               ",global post restore,app1 post restore")
            << c.pri2 << c.sec2;
    }
}

}  // namespace

namespace {

// The restore of SEC (whose partner ran on the lost NODE2) is refused while
// a lock of NODE2's is held: the fail marker stands for it.
class RestoreRetryTest : public MachineRestoreTest {
protected:
    void MoreFiles() override {
        MachineRestoreTest::MoreFiles();
        Tunables("INITTIMEOUT=20\nRESTORERETRIES=3\nRESTORERETRYSECS=1\n");
    }
    // Runs the machine restore of NODE2 (down, its copy holding SEC2 in
    // service) in a child; its note: result and SEC's state.
    std::string RestoreInChild() {
        return Client([] {
            SetStates({{"PRI", OSU}, {"SEC", OSU}});
            FillCopy("NODE2", CopyLine("typ1", "PRI2", 'T') + CopyLine("typ1", "SEC2", 'A'));
            if (flg_create(nullptr, "!comm_down!NODE2") != 0) qdberrclr();
            sys_setstate(nullptr, "NODE2", 'D', "failed");
            const int rc = qdbrecover::local_mach_restore("NODE2");
            qdberrclr();
            return std::to_string(rc) + ";" + States({"SEC"}) + ";" + std::to_string(flg_test(nullptr, "!recovered!NODE2", 0));
        });
    }
    int RestoresOfSec() {
        int n = 0;
        std::ifstream in(root_ + "/journal");
        for (std::string l; std::getline(in, l);)
            n += l.rfind("NODE1 restore ", 0) == 0 && l.find("[-t] [SEC]") != std::string::npos ? 1 : 0;
        return n;
    }
};

TEST_F(RestoreRetryTest, ARefusedRestoreIsTriedAgainWhileTheSystemStaysDownAndSucceedsOnceTheLockIsGone) {
    Fail("restore", "SEC");
    // The holder dies after the first refusal: its lock goes with it.
    std::thread holder([this] {
        for (int i = 0; i < 3000 && RestoresOfSec() < 1; ++i) ::usleep(10000);
        std::filesystem::remove(root_ + "/fail/restore.SEC");
    });
    const std::string note = RestoreInChild();
    holder.join();
    EXPECT_EQ(note, "0;SEC=ISP;0");
    EXPECT_GE(RestoresOfSec(), 2);
}

TEST_F(RestoreRetryTest, ARestoreRefusedEveryTimeEndsAfterTheBoundAndTheRecoveryIsMarkedEnded) {
    Fail("restore", "SEC");
    const std::string note = RestoreInChild();
    EXPECT_EQ(note.substr(note.find(';')), ";SEC=OSF;0") << note;
    EXPECT_NE(note.substr(0, note.find(';')), "0");
    EXPECT_EQ(RestoresOfSec(), 1 + 3);
}

}  // namespace
