// The action guard, Create Hierarchy through a kit, Delete Hierarchy with
// its scripts, and the attributes sheet, over the fake database.
#include "ActionFixture.h"
#include "ScriptWords.h"

#include <algorithm>

namespace hierman {
namespace {

using panelaid::BoxAnswer;
using Strings = std::vector<std::string>;

class HierarchyActions : public ActionFixture {};

TEST_F(HierarchyActions, TheGuardLooksAtTheInitialisingMarkerUntilTheFirstActionGoesThrough) {
    AddResource("H1");
    Open();
    db.SetInitializing(true);
    actions->CreateHierarchy("kitx");
    EXPECT_EQ(BoxTexts(), (Strings{"Operation Denied\nHoldervane is still initializing"}));
    EXPECT_TRUE(host.blocks.empty());
    db.SetInitializing(false);
    actions->CreateHierarchy("kitx");
    ASSERT_EQ(host.blocks.size(), 1u);
    // Allowed once: the marker is not looked at again.
    db.SetInitializing(true);
    actions->CreateHierarchy("kitx");
    EXPECT_EQ(host.blocks.size(), 2u);
    // Attributes asks for a selection and nothing else.
    EXPECT_TRUE(actions->Run(kCmdAttributes));
    EXPECT_EQ(BoxTexts().back(), "Operation Denied\nMust select a resource");
    EXPECT_TRUE(host.sheets.empty());
    EXPECT_EQ(boxes.Shown().back().caption, kConsoleTitle);
}

TEST_F(HierarchyActions, CreateHierarchyGivesTheKitTheAliveSystemsInListOrder) {
    db.AddSystem("SYSA", "SYSD", 'D');
    db.AddSystem("SYSA", "SYSC", 'A');
    AddResource("H1");
    Open();
    actions->CreateHierarchy("nfs");
    ASSERT_EQ(host.blocks.size(), 1u);
    const RecoveryKitControlBlock& block = host.blocks.front();
    EXPECT_EQ(block.m_primarySystems, (Strings{"SYSA", "SYSB", "SYSC"}));
    EXPECT_EQ(block.m_secondarySystems, block.m_primarySystems);
    EXPECT_EQ(block.m_kit, "nfs");
    EXPECT_EQ(block.m_machine, "SYSA");
    EXPECT_EQ(block.m_pid, "4242");
    EXPECT_TRUE(block.m_tags.empty());
    EXPECT_EQ(runner.runs, 1);
}

TEST_F(HierarchyActions, CreateHierarchyOutcomeDecidesWhatFollows) {
    struct Case {
        int status;
        int refreshes;
        Strings boxes;
    } cases[] = {
        {kKitStatusDone, 1, {}},
        {kKitStatusCancelled, 0, {}},
        {kKitStatusNone, 0, {"Error! Unable to create hierarchy"}},
        {kKitStatusNotLoaded, 0, {"Error! Unable to create hierarchy"}},
        {kKitStatusFailed, 0, {"Error! Unable to create hierarchy"}},
    };
    AddResource("H1");
    Open();
    for (const Case& c : cases) {
        host.kitStatus = c.status;
        host.refreshes = 0;
        const std::size_t shown = boxes.Shown().size();
        actions->CreateHierarchy("kit");
        EXPECT_EQ(host.refreshes, c.refreshes) << c.status;
        const Strings texts = BoxTexts();
        EXPECT_EQ(Strings(texts.begin() + static_cast<long>(shown), texts.end()), c.boxes) << c.status;
    }
    EXPECT_EQ(bar.Last(), "Ready");
}

TEST_F(HierarchyActions, CreateHierarchyWithAFullGridIsRefusedBeforeTheKit) {
    // Every root block of the grid taken.
    for (int i = 0; i < 200; ++i) AddResource("R" + std::to_string(i));
    Open();
    int column = 0, row = 0;
    ASSERT_FALSE(view->FindNearestFreeBlock(&column, &row));
    actions->CreateHierarchy("kit");
    EXPECT_EQ(BoxTexts().back(), "Error! Not enough room to hold new hierarchy");
    EXPECT_TRUE(host.blocks.empty());
    EXPECT_EQ(runner.runs, 0);
}

TEST_F(HierarchyActions, DeleteRunsTheScriptsForEachConfirmedRootOnlyOverRootsWithALiveBackup) {
    AddResource("H1");
    AddResource("H2");
    AddResource("H3");
    AddResource("kid");
    db.AddDependency("SYSA", "H1", "kid");
    BackedUp("H1");
    BackedUp("H3");
    Open();
    Expand("H1");
    Select("H1");
    Select("kid");
    Select("H2");
    Select("H3");
    // H2 has no backup: Abort skips it; H1 and H3 are confirmed.
    Answer(BoxAnswer::Abort);
    actions->Run(kCmdDeleteHierarchy);
    EXPECT_EQ(BoxTexts(), (Strings{"kid is not a root", "H2 has no Secondary"}));
    EXPECT_EQ(boxes.Shown()[1].buttons, panelaid::BoxButtons::AbortRetryIgnore);
    EXPECT_EQ(host.confirms, (Strings{"Delete Hierarchy | H1", "Delete Hierarchy | H3"}));
    EXPECT_EQ(host.Scripts(), (Strings{"Delete SYSA SYSB .PreDelete 4242", "Delete SYSA SYSB H1 4242",
                                       "Delete SYSA SYSB H3 4242", "Delete SYSA SYSB .PostDelete 4242"}));
    EXPECT_FALSE(view->FindCell("H1")->selected);
    EXPECT_FALSE(view->FindCell("H3")->selected);
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(HierarchyActions, DeleteGivesTheScriptEveryTagAsOneWord) {
    const Strings tags = {"two words", "it's", "$(id) x"};
    for (const std::string& tag : tags) {
        AddResource(tag);
        BackedUp(tag);
    }
    Open();
    for (const std::string& tag : tags) Select(tag);
    actions->Run(kCmdDeleteHierarchy);
    Strings given;
    for (const auto& call : host.scripts.calls) {
        std::vector<std::string> words;
        ASSERT_TRUE(panelaid::SplitScriptWords(call.args, &words)) << call.args;
        ASSERT_EQ(words.size(), 4u) << call.args;
        if (words[2][0] != '.') given.push_back(words[2]);
    }
    Strings sorted = tags;
    std::sort(sorted.begin(), sorted.end());
    std::sort(given.begin(), given.end());
    EXPECT_EQ(given, sorted);
}

TEST_F(HierarchyActions, DeleteWithoutSecondaryGoesOnOnlyAfterIgnoreAndNotWithADeadBackup) {
    struct Case {
        BoxAnswer answer;
        bool runs;
    } cases[] = {{BoxAnswer::Abort, false}, {BoxAnswer::Retry, false}, {BoxAnswer::Ignore, true}};
    AddResource("H1");
    Open();
    for (const Case& c : cases) {
        host.scripts.calls.clear();
        Select("H1");
        Answer(c.answer);
        actions->Run(kCmdDeleteHierarchy);
        EXPECT_EQ(!host.scripts.calls.empty(), c.runs);
        view->FindCell("H1")->selected = false;
    }
    // Ignored without backup: the view's system stands in for it.
    EXPECT_EQ(host.Scripts()[1], "Delete SYSA SYSA H1 4242");

    db.AddSystem("SYSA", "SYSB", 'D');
    BackedUp("H1");
    host.scripts.calls.clear();
    Select("H1");
    actions->Run(kCmdDeleteHierarchy);
    EXPECT_EQ(BoxTexts().back(), "H1: Backup is Out of Service");
    EXPECT_TRUE(host.scripts.calls.empty());
}

TEST_F(HierarchyActions, AFailingDeleteScriptIsRunAgainOnRetry) {
    AddResource("H1");
    BackedUp("H1");
    Open();
    host.scripts.Answer("/admin/bin/Delete", {0, {}});
    host.scripts.Answer("/admin/bin/Delete", {3, {}});
    host.scripts.Answer("/admin/bin/Delete", {0, {}});
    Select("H1");
    Answer(BoxAnswer::Retry);
    actions->Run(kCmdDeleteHierarchy);
    EXPECT_EQ(host.Scripts(), (Strings{"Delete SYSA SYSB .PreDelete 4242", "Delete SYSA SYSB H1 4242",
                                       "Delete SYSA SYSB H1 4242", "Delete SYSA SYSB .PostDelete 4242"}));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("sh.Execute(\"/admin/bin/Delete\", args) == 0"), std::string::npos);
}

TEST_F(HierarchyActions, TheWorkerKeepsItsTagsWhenTheViewDropsItsCellsMeanwhile) {
    AddResource("H1");
    AddResource("H2");
    BackedUp("H1");
    BackedUp("H2");
    Open();
    Select("H1");
    Select("H2");
    // What a collapse or a switch of system does to the cells while the
    // worker runs; a worker reading a cell would read freed memory.
    runner.beforeJob = [this] { view->Destroy(); };
    actions->Run(kCmdDeleteHierarchy);
    EXPECT_EQ(host.Scripts(), (Strings{"Delete SYSA SYSB .PreDelete 4242", "Delete SYSA SYSB H1 4242",
                                       "Delete SYSA SYSB H2 4242", "Delete SYSA SYSB .PostDelete 4242"}));
}

TEST_F(HierarchyActions, AttributesShowOneSheetPerSelectedResourceInSelectionOrder) {
    AddResource("H1");
    AddResource("H2");
    AddResource("kid");
    db.AddDependency("SYSA", "H2", "kid");
    BackedUp("H2");
    Open();
    Expand("H2");
    Select("H1");
    Select("H2");
    Select("kid");
    int selectedWhileShown = 0;
    host.onSheet = [&] {
        for (int i = 0; view->NthSelected(i); ++i) ++selectedWhileShown;
    };
    actions->Run(kCmdAttributes);
    ASSERT_EQ(host.sheets.size(), 3u);
    EXPECT_EQ(selectedWhileShown, 3 + 2 + 1);  // each deselected after its sheet
    EXPECT_EQ(host.sheets[0].tag, "H1");
    EXPECT_EQ(host.sheets[0].otherSystem, "none");
    EXPECT_EQ(host.sheets[0].roots, (Strings{"H1"}));
    EXPECT_TRUE(host.sheets[0].parents.empty());
    EXPECT_EQ(host.sheets[1].tag, "H2");
    EXPECT_EQ(host.sheets[1].otherSystem, "SYSB");
    EXPECT_EQ(host.sheets[1].children, (Strings{"kid"}));
    EXPECT_EQ(host.sheets[1].application, "app");
    EXPECT_EQ(host.sheets[1].id, "H2-id");
    EXPECT_EQ(host.sheets[1].state.substr(0, 4), "ISP ");
    EXPECT_EQ(host.sheets[2].tag, "kid");
    EXPECT_EQ(host.sheets[2].parents, (Strings{"H2"}));
    EXPECT_EQ(host.sheets[2].roots, (Strings{"H2"}));
    EXPECT_EQ(view->NthSelected(0), nullptr);
}

TEST_F(HierarchyActions, AnUnreadableResourceIsSkippedAndTheWalkEnds) {
    AddResource("H1");
    AddResource("H2");
    Open();
    Select("H1");
    Select("H2");
    db.FailNext(panelaid::FakeConsoleDatabase::Op::InstanceList, 5, "broken");
    Answer(BoxAnswer::Abort);
    actions->Run(kCmdAttributes);
    ASSERT_EQ(host.sheets.size(), 1u);
    EXPECT_EQ(host.sheets[0].tag, "H2");
    EXPECT_EQ(view->NthSelected(0), nullptr);
}

}  // namespace
}  // namespace hierman
