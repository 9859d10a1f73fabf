// Restore, remove, delete and other actions on one system, by real scripts
// that keep a journal: scopes and their order, failures and their states,
// the other-system option and values that must reach a script unchanged.
#include "ActionFixture.h"
#include "InstanceInterface.h"
#include "InstanceSeams.h"
#include "flg.h"

#include <gtest/gtest.h>

#include <fstream>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace actiontest;

const std::vector<std::pair<std::string, state>> kAllOut{{"R", OSU}, {"M1", OSU}, {"M2", OSU}, {"X", OSU}, {"L", OSU}};

TEST_F(ActionTest, RestoreScopesCollectLeavesFirstAndEachOnce) {
    struct Case {
        const char* tag;
        kivraop_e op;
        std::vector<std::pair<std::string, state>> before;
        const char* result;
        const char* steps;
        const char* states;
    } cases[] = {
        // The whole hierarchies holding M1: R's tree, then X's.
        {"M1", KIVRA_ALL, {}, "0/0", "restore L,restore M1,restore M2,restore R,restore X",
         "R=ISP,M1=ISP,M2=ISP,X=ISP,L=ISP"},
        {"M1", KIVRA_DOWN, {}, "0/0", "restore L,restore M1", "R=OSU,M1=ISP,M2=OSU,X=OSU,L=ISP"},
        {"M1", KIVRA_ONE, {{"L", ISP}}, "0/0", "restore M1", "R=OSU,M1=ISP,M2=OSU,X=OSU,L=ISP"},
        // A child out of service stops the tag alone before any script.
        // (the 364 report is printed and cleared before the result).
        {"M1", KIVRA_ONE, {}, "-1/0", "", "R=OSU,M1=OSU,M2=OSU,X=OSU,L=OSU"},
        // An unknown tag: its reservation already fails.
        {"nope", KIVRA_ALL, {}, "-1/7", "", "R=OSU,M1=OSU,M2=OSU,X=OSU,L=OSU"},
    };
    for (const Case& c : cases) {
        const std::string note = Client([&] {
            SetStates(kAllOut);
            SetStates(c.before);
            const std::string rc = Result(perfaction(const_cast<char*>(c.tag), 0, const_cast<char*>("restore"),
                                                     const_cast<char*>(""), c.op, 0));
            return rc + ";" + States({"R", "M1", "M2", "X", "L"});
        });
        EXPECT_EQ(note, std::string(c.result) + ";" + c.states) << c.tag << " op " << c.op;
        EXPECT_EQ(Steps(), c.steps) << c.tag << " op " << c.op;
    }
}

TEST_F(ActionTest, AFailedRestoreLeavesItOsfAndItsParentsOut) {
    Fail("restore", "M1");
    const std::string note = Client([] {
        const std::string rc = Result(perfaction(const_cast<char*>("R"), 0, const_cast<char*>("restore"),
                                                 const_cast<char*>(""), KIVRA_ALL, 0));
        return rc + ";" + States({"R", "M1", "M2", "X", "L"}) + ";" + Description("M1") + ";" + Description("R");
    });
    EXPECT_EQ(note, "-1/0;R=OSU,M1=OSF,M2=ISP,X=OSU,L=ISP;restore action has failed;");
    // The others are still tried; R and X never reach their scripts.
    EXPECT_EQ(Steps(), "restore L,restore M1,restore M2");
}

TEST_F(ActionTest, IllegalStatesAreRefusedAndResourcesWithoutScriptsCountAsDone) {
    const std::string note = Client([] {
        std::string out;
        SetStates({{"L", ILLSTATE}});
        out += Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 0));
        out += "," + Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("remove"), const_cast<char*>(""), KIVRA_ONE, 0));
        // No script anywhere: restored and removed by the states alone.
        out += "," + Result(perfaction(const_cast<char*>("N"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 0));
        out += ";" + States({"N"}) + ";" + Description("N");
        out += "," + Result(perfaction(const_cast<char*>("N"), 0, const_cast<char*>("remove"), const_cast<char*>(""), KIVRA_ONE, 0));
        out += ";" + States({"N"}) + ";" + Description("N");
        // ISU becomes ISP without its script.
        SetStates({{"L", ISU}});
        out += "," + Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 0));
        return out + ";" + States({"L"});
    });
    EXPECT_EQ(note, "-1/5,-1/5,0/0;N=ISP;restore action has succeeded,0/0;N=OSU;empty remove action has succeeded,0/0;L=ISP");
    EXPECT_EQ(Steps(), "");
}

TEST_F(ActionTest, RemoveTakesParentsFirstAndAFailureKeepsWhatLiesBelow) {
    std::string note = Client([] {
        SetStates({{"R", ISP}, {"M1", ISP}, {"M2", ISP}, {"X", ISP}, {"L", ISP}});
        const std::string rc = Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("remove"), const_cast<char*>(""), KIVRA_ALL, 0));
        return rc + ";" + States({"R", "M1", "M2", "X", "L"});
    });
    EXPECT_EQ(note, "0/0;R=OSU,M1=OSU,M2=OSU,X=OSU,L=OSU");
    EXPECT_EQ(Steps(), "remove R,remove X,remove M1,remove M2,remove L");

    Fail("remove", "R");
    note = Client([] {
        SetStates({{"R", ISP}, {"M1", ISP}, {"M2", ISP}, {"X", ISP}, {"L", ISP}});
        const std::string rc = std::to_string(perfaction(const_cast<char*>("M1"), 0, const_cast<char*>("remove"),
                                                         const_cast<char*>(""), KIVRA_ALL, 0));
        const std::string err = *getpQdb_errbuf() ? *getpQdb_errbuf() : "";
        return rc + ":" + std::to_string(err.find("(No. 341) remove of resource \"R\" has failed") != std::string::npos) + ";" + States({"R", "M1", "X", "L"}) + ";" + Description("R");
    });
    // (the 341 report is printed by the next step's check, so it is not kept.)
    EXPECT_EQ(note, "-1:0;R=ISP,M1=ISP,X=OSU,L=ISP;remove action has failed");
    EXPECT_EQ(Steps(), "remove R,remove X");
}

// The SHARED partners of the restore tests: L is the secondary of L2 on
// NODE2 while g_lShared is set; M1 is the secondary of M1x on NODE2 only once
// its restore script has run (the other copy comes into service meanwhile).
std::string g_journal;
bool g_lShared = false;
bool PartnerOnNode2(const char*, const char* tag, bool asPrimary, cfgstore::EquivalencySide* other) {
    if (asPrimary) return false;
    if (g_lShared && std::strcmp(tag, "L") == 0) {
        *other = {"NODE2", "L2"};
        return true;
    }
    if (std::strcmp(tag, "M1") != 0) return false;
    std::ifstream in(g_journal);
    for (std::string l; std::getline(in, l);)
        if (l.find("restore [-t] [M1]") != std::string::npos) {
            *other = {"NODE2", "M1x"};
            return true;
        }
    return false;
}

// A restore that the SHARED rule refuses runs no script and gives the
// rule's error; one refused only after its script ran is taken back: its
// remove script runs and it is left OSF with the reason, and what the same
// action brought up before goes down again, parents first.
TEST_F(ActionTest, ASharedRefusalStopsTheScriptsOrTakesTheRestoreBack) {
    g_journal = root_ + "/journal";
    std::string note = Client([] {
        cfgstore::InstanceSeams seams{};
        seams.sharedPartner = &PartnerOnNode2;
        cfgstore::SetInstanceSeams(seams);
        g_lShared = true;
        FillCopy("NODE2", CopyLine("typ2", "L2", 'A', 'p') + CopyLine("typ1", "M1x", 'A', 'p'));
        std::string out = std::to_string(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("restore"),
                                                    const_cast<char*>(""), KIVRA_ONE, 0));
        const bool named = Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, "(No. 922)") != nullptr;
        out += "/" + std::to_string(Qdb_errno) + (named ? "" : "/unnamed") + ";" + States({"L"});
        return out;
    });
    EXPECT_EQ(note, "-1/5;L=OSU");
    EXPECT_EQ(Steps(), "");

    note = Client([] {
        cfgstore::InstanceSeams seams{};
        seams.sharedPartner = &PartnerOnNode2;
        cfgstore::SetInstanceSeams(seams);
        std::string out = std::to_string(perfaction(const_cast<char*>("M1"), 0, const_cast<char*>("restore"),
                                                    const_cast<char*>(""), KIVRA_DOWN, 0));
        return out + ";" + States({"M1", "L"}) + ";" + Description("M1");
    });
    EXPECT_EQ(note, "-1;M1=OSF,L=OSU;restore refused after its script ran: (No. 922) resource \"M1\" can't be changed to "
                    "\"ISP\" state because it is a secondary resource of a SHARED equivalency to resource \"M1x\" on "
                    "machine \"NODE2\" which is in state \"ISP\"");
    EXPECT_EQ(Steps(), "restore L,restore M1,remove M1,remove L");
}

TEST_F(ActionTest, AScsiDiskScriptGetsTheOtherSystemUnlessTheArgumentsNameOne) {
    const std::string note = Client([] {
        std::string out = Result(perfaction(const_cast<char*>("D"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 0));
        SetStates({{"D", OSU}, {"L", OSU}});
        out += "," + Result(perform_action(const_cast<char*>("D"), 0, 0, KIVRA_ONE, const_cast<char*>("restore"),
                                           "-s", "NODE3", nullptr));
        // Not a shared disk's script: no option, though the info would name one.
        out += "," + Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("restore"), const_cast<char*>(""), KIVRA_ONE, 0));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0");
    const std::vector<std::string> j = Journal();
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0], "NODE1 restore [-t] [D] [-i] [id-D] [-s] [NODE2]");
    EXPECT_EQ(j[1], "NODE1 restore [-s] [NODE3] [-t] [D] [-i] [id-D]");
    EXPECT_EQ(j[2], "NODE1 restore [-t] [L] [-i] [id-L]");
}

TEST_F(ActionTest, QuotesDollarsBackquotesAndBlanksReachTheScriptUnchanged) {
    static const char kTag[] = "q'$x`y\"z\\w";
    static const char kId[] = "id with 'single' $HOME `echo hi` \"double\" back\\slash";
    const std::string note = Client([] {
        std::string out = Result(ins_create(nullptr, "app1", "typ1", 's', kTag, kId, ""));
        out += "," + Result(perform_action(const_cast<char*>(kTag), 0, 0, KIVRA_ONE, const_cast<char*>("restore"), "a b",
                                           "$HOME", "`echo hi`", "it's \"q\"", "back\\slash", nullptr));
        out += "," + Result(perform_action(const_cast<char*>(kTag), 0, 0, KIVRA_ONE, const_cast<char*>("check"), "$(echo no)",
                                           nullptr));
        return out + ";" + States({kTag});
    });
    EXPECT_EQ(note, std::string("0/0,0/0,0/0;") + kTag + "=ISP");
    const std::vector<std::string> j = Journal();
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[0], std::string("NODE1 restore [a b] [$HOME] [`echo hi`] [it's \"q\"] [back\\slash] [-t] [") + kTag +
                        "] [-i] [" + kId + "]");
    EXPECT_EQ(j[1], "NODE1 check [$(echo no)]");
}

TEST_F(ActionTest, DeleteAndOtherActionsStoreAScriptFailureWithoutFailingTheCall) {
    Fail("delete", "");
    const std::string note = Client([] {
        std::string out = Result(flg_create(nullptr, "!delete"));
        // No delete script for N: the call ends at once, the post scripts
        // stay due.
        out += "," + Result(perform_action(const_cast<char*>("N"), 0, 1, KIVRA_ALL, const_cast<char*>("delete"), "-t", "N",
                                           "-i", "id-N", nullptr));
        out += "," + std::to_string(flg_test(nullptr, "!delete", 0));
        out += "," + Result(perform_action(const_cast<char*>("L"), 0, 1, KIVRA_ALL, const_cast<char*>("delete"), "-t", "L",
                                           "-i", "id-L", nullptr));
        const int rc = perform_action(const_cast<char*>("L"), 0, 0, KIVRA_ALL, const_cast<char*>("delete"), nullptr);
        const std::string err = *getpQdb_errbuf() ? *getpQdb_errbuf() : "";
        out += "," + std::to_string(rc) + ":" + std::to_string(err.find("(No. 345) action \"delete\" has failed on resource \"L\"") != std::string::npos);
        qdberrclr();
        out += "," + Result(perfaction(const_cast<char*>("L"), 0, const_cast<char*>("nosuch"), const_cast<char*>(""), KIVRA_ALL, 0));
        out += "," + Result(perfaction(const_cast<char*>("gone"), 0, const_cast<char*>("check"), const_cast<char*>(""), KIVRA_ALL, 0));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0,0/0,0:1,0/0,-1/7");
    EXPECT_EQ(Steps(), "delete L,global post delete,app1 post delete,delete");
}

}  // namespace

namespace {

TEST_F(ActionTest, ARemovalsDeleteScriptGetsTheTagAndIdentifierAsWholeArguments) {
    static const char kId[] = "id with $x 'q' \"d\"";
    const std::string note = Client([] {
        std::string out = Result(ins_create(nullptr, "app1", "typ1", 's', "Q", kId, ""));
        out += "," + Result(ins_remove(nullptr, nullptr, nullptr, nullptr, "Q", nullptr, nullptr, 1, 0));
        return out + ";" + States({"Q"});
    });
    EXPECT_EQ(note, "0/0,0/0;Q=none");
    EXPECT_EQ(Journal(), std::vector<std::string>{std::string("NODE1 delete [-t] [Q] [-i] [") + kId + "]"});
}

}  // namespace
