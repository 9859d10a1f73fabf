// In Service and Out of Service: the plan made with the administrator and
// the scripts the workers run from it, failures included.
#include "ActionFixture.h"
#include "ScriptWords.h"

#include <algorithm>
#include <map>

namespace hierman {
namespace {

using panelaid::BoxAnswer;
using Op = panelaid::FakeConsoleDatabase::Op;
using Strings = std::vector<std::string>;

class ServiceActions : public ActionFixture {
protected:
    // A chain (each depending on the next) out of service here and in
    // service on its root's backup SYSB; by default H2 -> app -> ip.
    void HeldByBackup(const Strings& chain = {"H2", "app", "ip"}) {
        for (const std::string& tag : chain) AddPair(tag, "OSU", "ISP");
        for (std::size_t i = 1; i < chain.size(); ++i) Depend(chain[i - 1], chain[i]);
        BackedUp(chain.front());
    }
    static Strings TransferOfH2() {
        return {"Transfer SYSA SYSB .PreTransfer 4242",       "Remove SYSB SYSA .PreRemove 4242 nolock",
                "Remove SYSB SYSA H2 4242",                   "Remove SYSB SYSA app 4242",
                "Remove SYSB SYSA ip 4242",                   "Remove SYSB SYSA .PostRemove 4242 nolock",
                "Restore SYSA SYSB .PreRestore 4242 nolock",  "Restore SYSA SYSB ip 4242",
                "Restore SYSA SYSB app 4242",                 "Restore SYSA SYSB H2 4242",
                "Restore SYSA SYSB .PostRestore 4242 nolock", "Transfer SYSA SYSB .PostTransfer 4242"};
    }
    Strings Questions() const {
        Strings out;
        for (const auto& b : boxes.Shown())
            if (b.buttons == panelaid::BoxButtons::YesNo) out.push_back(b.text);
        return out;
    }
};

TEST_F(ServiceActions, InServiceOfAHierarchyHeldByItsBackupTransfersItTopDownThenBottomUp) {
    HeldByBackup();
    Open();
    Select("H2");
    actions->Run(kCmdInService);
    EXPECT_EQ(host.confirms, (Strings{"Transfer Service from SYSB | H2"}));
    EXPECT_EQ(host.Scripts(), TransferOfH2());
    EXPECT_EQ(runner.runs, 1);
    EXPECT_EQ(view->NthSelected(0), nullptr);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(bar.Last(), "Ready");
}

TEST_F(ServiceActions, WithoutBackupOnlyTheRestoresRunWithTheViewsSystemTwice) {
    AddResource("H3", "OSU");
    AddResource("c3", "OSU");
    db.AddDependency("SYSA", "H3", "c3");
    Open();
    Select("H3");
    Answer(BoxAnswer::Yes);  // "has no Secondary!\nDo you want to continue?"
    actions->Run(kCmdInService);
    EXPECT_EQ(host.confirms, (Strings{"In Service | H3"}));
    EXPECT_EQ(Questions(), (Strings{"H3 has no Secondary!\nDo you want to continue?"}));
    EXPECT_EQ(boxes.Shown()[0].icon, panelaid::BoxIcon::Warning);
    EXPECT_EQ(host.Scripts(), (Strings{"Restore SYSA SYSA .PreRestore 4242", "Restore SYSA SYSA c3 4242",
                                       "Restore SYSA SYSA H3 4242", "Restore SYSA SYSA .PostRestore 4242"}));
    // A No leaves it alone.
    host.scripts.calls.clear();
    Select("H3");
    actions->Run(kCmdInService);
    EXPECT_TRUE(host.scripts.calls.empty());
}

TEST_F(ServiceActions, CancelPutsThePlanBackAsItWasBeforeThatHierarchy) {
    HeldByBackup();
    HeldByBackup({"H1", "x1"});
    Open();
    Select("H1");
    Select("H2");
    // The first confirmation (whichever root comes first) is cancelled.
    host.confirmAnswers = {false, true};
    actions->Run(kCmdInService);
    ASSERT_EQ(host.confirms.size(), 2u);
    const std::string cancelled = host.confirms[0].substr(host.confirms[0].size() - 2);
    const Strings scripts = host.Scripts();
    for (const std::string& s : scripts) {
        EXPECT_EQ(s.find(" " + cancelled + " "), std::string::npos) << s;
        if (cancelled == "H1") EXPECT_EQ(s.find(" x1 "), std::string::npos) << s;
    }
    EXPECT_EQ(scripts.size(), cancelled == "H1" ? 12u : 10u);
}

TEST_F(ServiceActions, AFailedRemoveKeepsItsDescendantsAndBringsNothingIn) {
    HeldByBackup();
    Open();
    Select("H2");
    for (int rc : {0, 0, 1, 0}) host.scripts.Answer("/admin/bin/Remove", {rc, {}});
    actions->Run(kCmdInService);
    EXPECT_EQ(host.Scripts(), (Strings{"Transfer SYSA SYSB .PreTransfer 4242", "Remove SYSB SYSA .PreRemove 4242 nolock",
                                       "Remove SYSB SYSA H2 4242", "Remove SYSB SYSA app 4242",
                                       "Remove SYSB SYSA .PostRemove 4242 nolock",
                                       "Transfer SYSA SYSB .PostTransfer 4242"}));
    EXPECT_TRUE(boxes.Shown().empty());  // per-resource scripts are not offered for retry
}

TEST_F(ServiceActions, AFailedRestoreDropsItsAncestorsAndTheOthersGoOn) {
    HeldByBackup();
    AddPair("ip2", "OSU", "ISP");
    Depend("H2", "ip2");
    Open();
    Select("H2");
    // ip fails: app and H2 above it are not brought in; ip2 is.
    for (int rc : {0, 1, 0}) host.scripts.Answer("/admin/bin/Restore", {rc, {}});
    actions->Run(kCmdInService);
    Strings restores;
    for (const std::string& s : host.Scripts())
        if (s.rfind("Restore", 0) == 0) restores.push_back(s);
    EXPECT_EQ(restores, (Strings{"Restore SYSA SYSB .PreRestore 4242 nolock", "Restore SYSA SYSB ip 4242",
                                 "Restore SYSA SYSB ip2 4242", "Restore SYSA SYSB .PostRestore 4242 nolock"}));
}

TEST_F(ServiceActions, ARootSharingAResourceIsAskedAboutOnceAndANoKeepsTheSubtreeIn) {
    // H1 and H2 share "shared" (with its child "leaf"); only H1 is selected.
    for (const char* tag : {"H1", "H2", "shared", "leaf"}) AddResource(tag, "ISP");
    db.AddDependency("SYSA", "H1", "shared");
    db.AddDependency("SYSA", "H2", "shared");
    db.AddDependency("SYSA", "shared", "leaf");
    BackedUp("H1");
    BackedUp("H2");
    struct Case {
        BoxAnswer answer;
        Strings removed;
    } cases[] = {
        {BoxAnswer::No, {"H1"}},
        {BoxAnswer::Yes, {"H1", "H2", "shared", "leaf"}},
    };
    Open();
    for (const Case& c : cases) {
        host.scripts.calls.clear();
        const std::size_t asked = Questions().size();
        Select("H1");
        Answer(c.answer);
        actions->Run(kCmdOutService);
        EXPECT_EQ(Questions().size(), asked + 1);
        EXPECT_EQ(Questions().back(), "H2 Depends on shared\nBring H2 Out of Service too?");
        Strings expected{"Remove SYSA SYSB .PreRemove 4242"};
        for (const std::string& t : c.removed) expected.push_back("Remove SYSA SYSB " + t + " 4242");
        expected.push_back("Remove SYSA SYSB .PostRemove 4242");
        EXPECT_EQ(host.Scripts(), expected);
    }
}

// Tags come from the database: whatever their text, each reaches the
// scripts as a single word of its own.
TEST_F(ServiceActions, EveryTagReachesTheScriptsAsOneWord) {
    const Strings tags = {"two words", "it's", "say\"hi\"", "back\\slash", "$(id);`id`", "tab\there"};
    for (const std::string& tag : tags) {
        AddPair(tag, "OSU", "ISP");
        BackedUp(tag);
    }
    Open();
    for (const std::string& tag : tags) Select(tag);
    actions->Run(kCmdInService);
    std::map<std::string, Strings> seen;  // script: the tags it was given
    for (const auto& call : host.scripts.calls) {
        std::vector<std::string> words;
        ASSERT_TRUE(panelaid::SplitScriptWords(call.args, &words)) << call.args;
        ASSERT_GE(words.size(), 4u) << call.args;
        EXPECT_EQ(words[0] + " " + words[1], call.script.find("Remove") != std::string::npos ? "SYSB SYSA" : "SYSA SYSB")
            << call.args;
        if (words[2][0] != '.') {
            EXPECT_EQ(words.size(), 4u) << call.args;
            seen[call.script].push_back(words[2]);
        }
    }
    Strings sorted = tags;
    std::sort(sorted.begin(), sorted.end());
    for (const char* script : {"/admin/bin/Remove", "/admin/bin/Restore"}) {
        std::sort(seen[script].begin(), seen[script].end());
        EXPECT_EQ(seen[script], sorted) << script;
    }
}

TEST_F(ServiceActions, HierarchiesHeldByTwoSystemsAreAllMovedInSystemListOrder) {
    db.AddSystem("SYSA", "SYSC", 'A');
    AddPair("HB", "OSU", "ISP");
    BackedUp("HB");
    AddResource("HC", "OSU", "SYSA");
    AddResource("HC", "ISP", "SYSC");
    db.AddEquivalency("SYSA", "SYSA", "HC", "SYSC", "HC");
    Open();
    Select("HB");
    Select("HC");
    actions->Run(kCmdInService);
    const Strings scripts = host.Scripts();
    auto at = [&](const std::string& s) { return std::find(scripts.begin(), scripts.end(), s) - scripts.begin(); };
    const auto n = static_cast<long>(scripts.size());
    EXPECT_LT(at("Remove SYSB SYSA HB 4242"), n);
    EXPECT_LT(at("Restore SYSA SYSB HB 4242"), n);
    EXPECT_LT(at("Remove SYSC SYSA HC 4242"), n);
    EXPECT_LT(at("Restore SYSA SYSC HC 4242"), n);
    EXPECT_LT(at("Restore SYSA SYSB HB 4242"), at("Remove SYSC SYSA HC 4242"));
    EXPECT_EQ(scripts.front().rfind("Transfer SYSA ", 0), 0u);
    EXPECT_EQ(scripts.back().rfind("Transfer SYSA ", 0), 0u);
}

TEST_F(ServiceActions, ARootTheViewDoesNotShowIsAskedAboutOnceAsNotSelected) {
    for (const char* tag : {"H2", "x", "y"}) AddResource(tag, "OSU");
    db.AddDependency("SYSA", "H2", "x");
    db.AddDependency("SYSA", "H2", "y");
    Open();
    // A root added after the view was drawn: it has no cell.
    AddResource("H9", "OSU");
    db.AddDependency("SYSA", "H9", "x");
    db.AddDependency("SYSA", "H9", "y");
    ASSERT_EQ(view->FindCell("H9"), nullptr);
    Select("H2");
    Answer(BoxAnswer::Yes);  // no Secondary: go on
    Answer(BoxAnswer::No);   // H9 is not brought in
    actions->Run(kCmdInService);
    EXPECT_EQ(Questions(), (Strings{"H2 has no Secondary!\nDo you want to continue?",
                                    "H9 Depends on x\nBring H9 in Service too?"}));
    EXPECT_EQ(host.Scripts(), (Strings{"Restore SYSA SYSA .PreRestore 4242", "Restore SYSA SYSA x 4242",
                                       "Restore SYSA SYSA y 4242", "Restore SYSA SYSA H2 4242",
                                       "Restore SYSA SYSA .PostRestore 4242"}));
}

TEST_F(ServiceActions, AHolderMissingFromTheSystemListIsRefusedAndTheOthersGoOn) {
    HeldByBackup();
    AddResource("H3", "OSU");
    Open();
    // SYSB left the cluster's list; its equivalency is still there.
    ASSERT_EQ(db.SystemRemove("SYSA", "SYSB"), 0);
    Select("H2");
    Select("H3");
    for (int i = 0; i < 4; ++i) Answer(BoxAnswer::Yes);
    actions->Run(kCmdInService);
    const Strings texts = BoxTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "SYSB is not a defined system"), texts.end());
    EXPECT_EQ(host.Scripts(), (Strings{"Restore SYSA SYSA .PreRestore 4242", "Restore SYSA SYSA H3 4242",
                                       "Restore SYSA SYSA .PostRestore 4242"}));

    // Removed while the administrator is asked: refused as well.
    host.scripts.calls.clear();
    ASSERT_EQ(db.SystemCreate("SYSA", "SYSB"), 0);
    host.onConfirm = [&] { db.SystemRemove("SYSA", "SYSB"); };
    Select("H2");
    actions->Run(kCmdInService);
    EXPECT_EQ(BoxTexts().back(), "SYSB is not a defined system");
    EXPECT_TRUE(host.scripts.calls.empty());
    host.onConfirm = nullptr;

    // Without a system list nothing can be placed; nothing runs.
    host.scripts.calls.clear();
    db.FailNext(Op::SystemList, 5, "broken");
    Select("H3");
    Answer(BoxAnswer::Yes);
    actions->Run(kCmdInService);
    EXPECT_EQ(BoxTexts().back(), "SYSA is not a defined system");
    EXPECT_TRUE(host.scripts.calls.empty());
}

TEST_F(ServiceActions, ADatabaseErrorWhilePlanningLeavesThatHierarchyOut) {
    HeldByBackup();
    HeldByBackup({"H1", "x1"});
    Open();
    Select("H1");
    Select("H2");
    // The read after the first confirmation fails.
    int confirms = 0;
    host.onConfirm = [&] {
        if (++confirms == 1) db.FailNext(Op::DependencyList, 5, "connection lost");
    };
    actions->Run(kCmdInService);
    ASSERT_EQ(host.confirms.size(), 2u);
    const std::string failed = host.confirms[0].substr(host.confirms[0].size() - 2);
    const std::string kept = failed == "H1" ? "H2" : "H1";
    const Strings texts = BoxTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        failed + " is left out: the configuration database could not be read while planning"),
              texts.end());
    const Strings scripts = host.Scripts();
    EXPECT_NE(std::find(scripts.begin(), scripts.end(), "Restore SYSA SYSB " + kept + " 4242"), scripts.end());
    for (const std::string& s : scripts) EXPECT_EQ(s.find(" " + failed + " "), std::string::npos) << s;
}

}  // namespace
}  // namespace hierman
