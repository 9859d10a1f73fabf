// An application tree: its protection state, the backup search and the
// refresh of its rows.
#include "AppstatParts.h"
#include "CAPPSTATRootResource.h"

#include <gtest/gtest.h>

namespace appstat {
namespace {

constexpr TreeState P = TreeState::Protected, Un = TreeState::Unprotected, D = TreeState::Down,
                    I = TreeState::Illegal, U = TreeState::Unknown;

struct StateCase {
    const char* own;
    const char* other;  // the backup's record; "" none (the equivalency stays)
    TreeState expected;
};

class TreeStateTable : public testing::TestWithParam<StateCase>, protected AppstatParts {};

TEST_P(TreeStateTable, OwnStateAgainstTheBackupsRecord) {
    const StateCase& c = GetParam();
    AddInstance("", "app", c.own);
    db.AddEquivalency("", "SYSA", "app", "SYSB", "app");
    if (*c.other) AddInstance("SYSB", "app", c.other);
    CAPPSTATRootResource tree(db, "app");
    ASSERT_EQ(tree.Entries().size(), 2u);
    tree.SetState(c.own);
    EXPECT_EQ(tree.State(), c.expected) << c.own << " against " << c.other;
}

INSTANTIATE_TEST_SUITE_P(Cases, TreeStateTable, testing::Values(
    StateCase{"ISP", "ISP", I}, StateCase{"ISP", "OSU", P}, StateCase{"ISP", "OSF", Un}, StateCase{"ISP", "ISU", Un},
    StateCase{"ISP", "XYZ", I},
    StateCase{"OSU", "ISP", P}, StateCase{"OSU", "OSU", D}, StateCase{"OSU", "OSF", D}, StateCase{"OSU", "ISU", D},
    StateCase{"OSU", "XYZ", D},
    StateCase{"OSF", "ISP", Un}, StateCase{"OSF", "OSU", D}, StateCase{"OSF", "OSF", I}, StateCase{"OSF", "ISU", Un},
    StateCase{"OSF", "XYZ", I},
    StateCase{"ISU", "ISP", I}, StateCase{"ISU", "OSU", I}, StateCase{"ISU", "OSF", I}, StateCase{"ISU", "ISU", I},
    StateCase{"ISU", "XYZ", I},
    // The backup's database has no record of the tag.
    StateCase{"ISP", "", Un}, StateCase{"OSF", "", U}, StateCase{"OSU", "", U}, StateCase{"ISU", "", I}));

TEST(TreeWithoutEquivalency, ComparesTheLocalRecordWithItself) {
    for (const auto& [own, expected] : {std::pair{"ISP", I}, std::pair{"OSU", D}}) {
        AppstatParts parts;
        parts.AddInstance("", "app", own);
        CAPPSTATRootResource tree(parts.db, "app");
        ASSERT_EQ(tree.Entries().size(), 1u);
        EXPECT_EQ(tree.Entries()[0]->Name(), "SYSA");
        tree.SetState(own);
        EXPECT_EQ(tree.State(), expected) << own;
    }
}

class BackupSearch : public testing::Test, protected AppstatParts {
protected:
    void Link(const std::string& parent, const std::string& child) { db.AddDependency("", parent, child); }
    void Pair(const std::string& tag, const std::string& other) { db.AddEquivalency("", "SYSA", tag, other, tag); }
    std::optional<std::string> Find(const std::string& tag) {
        AddInstance("", "top", "ISP");
        CAPPSTATRootResource tree(db, "top");
        const int before = db.Calls(panelaid::FakeConsoleDatabase::Op::DependencyList);
        std::optional<std::string> found = tree.FindBackup(tag);
        childLists = db.Calls(panelaid::FakeConsoleDatabase::Op::DependencyList) - before;
        return found;
    }
    int childLists = 0;
};

TEST_F(BackupSearch, ChildBeatsTheTagsOwnEquivalency) {
    Pair("top", "SYSB");
    Link("top", "child");
    Pair("child", "SYSC");
    EXPECT_EQ(Find("top"), "SYSC");
}

// A chain longer than the search goes down is not followed to its end: a
// damaged database's endless chain would otherwise exhaust the stack.
TEST_F(BackupSearch, TheSearchStopsAtItsDepth) {
    const std::size_t depth = CAPPSTATRootResource::kMaxSearchDepth;
    struct Case {
        const char* chain;
        std::size_t links;
        std::optional<std::string> found;
    } cases[] = {{"short", depth - 1, "SYSB"}, {"long", depth + 5, std::nullopt}};
    for (const Case& c : cases) {
        auto tag = [&c](std::size_t i) { return c.chain + std::to_string(i); };
        for (std::size_t i = 0; i < c.links; ++i) Link(tag(i), tag(i + 1));
        Pair(tag(c.links), "SYSB");
        EXPECT_EQ(Find(tag(0)), c.found) << c.chain;
        EXPECT_LE(static_cast<std::size_t>(childLists), depth) << c.chain;
    }
}

TEST_F(BackupSearch, LastChildFoundWins) {
    Link("top", "c1");
    Link("top", "c2");
    Link("top", "c3");
    Pair("c1", "SYSB");
    Pair("c2", "SYSC");
    EXPECT_EQ(Find("top"), "SYSC");
}

TEST_F(BackupSearch, RecordSeenFromTheSecondarySideGivesThePrimary) {
    db.AddEquivalency("", "SYSB", "top", "SYSA", "top");
    EXPECT_EQ(Find("top"), "SYSB");
}

TEST_F(BackupSearch, EquivalencyOfAnotherSystemGivesNothing) {
    db.AddEquivalency("", "SYSB", "top", "SYSC", "top");
    EXPECT_EQ(Find("top"), std::nullopt);
}

TEST_F(BackupSearch, SharedResourceBelowTwoParentsAnswersAsAFullWalkWould) {
    // top -> b -> d and top -> c -> d: d's backup reaches c as well, so c's
    // own equivalency never counts.
    Link("top", "b");
    Link("top", "c");
    Link("b", "d");
    Link("c", "d");
    Pair("d", "SYSB");
    Pair("c", "SYSC");
    EXPECT_EQ(Find("top"), "SYSB");
}

TEST_F(BackupSearch, DependencyLoopEnds) {
    Link("top", "a");
    Link("a", "b");
    Link("b", "top");
    Link("b", "b");
    EXPECT_EQ(Find("top"), std::nullopt);
    EXPECT_EQ(childLists, 3) << "each tag is asked for its children once per search";
    Pair("b", "SYSC");
    EXPECT_EQ(Find("top"), "SYSC");
}

TEST(TreeRefresh, RowsFollowTheBackup) {
    AppstatParts parts;
    parts.AddHierarchy("app", "ISP", "OSU");
    CAPPSTATRootResource tree(parts.db, "app");
    tree.Place(50, 50, 72, 48, 100);
    bool changed = false;
    tree.RefreshEntries(&changed);
    EXPECT_FALSE(changed) << "same backup";
    ASSERT_EQ(tree.Entries().size(), 2u);
    EXPECT_EQ(tree.Entries()[1]->State(), SystemState::Standby);

    // The pair moves to SYSC: a new row for SYSC, SYSB's row goes.
    parts.db.AddSystem("", "SYSC", 'A');
    parts.db.AddEquivalency("", "SYSA", "app2", "SYSC", "app2");
    parts.db.AddDependency("", "app", "app2");
    parts.AddInstance("", "app2", "ISP");
    tree.RefreshEntries(&changed);
    EXPECT_TRUE(changed);
    ASSERT_EQ(tree.Entries().size(), 2u);
    EXPECT_EQ(tree.Entries()[1]->Name(), "SYSC");
    EXPECT_EQ(tree.Entries()[1]->Top(), 114 + 48 + 9 + 10) << "the new row sits in the second place";

    // No backup left: the row goes, and that is a change too.
    parts.db.RemoveInstance("", "app2");
    changed = false;
    parts.db.FailNext(panelaid::FakeConsoleDatabase::Op::EquivalencyList, 7, "none", 10);
    tree.RefreshEntries(&changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(tree.Entries().size(), 1u);
}

TEST(TreeLayout, BoxEntriesAndRectangles) {
    AppstatParts parts;
    parts.AddHierarchy("app", "ISP", "OSU");
    CAPPSTATRootResource tree(parts.db, "app");
    tree.Place(50, 50, 72, 48, 100);
    EXPECT_EQ(tree.Box(), (Rect{50, 50, 122, 98}));
    EXPECT_EQ(tree.Hit(), (Rect{46, 46, 126, 102}));
    const auto& e = tree.Entries();
    EXPECT_EQ(e[0]->Left(), 50 + 18 + 7);
    EXPECT_EQ(e[0]->Top(), 98 + 16);
    EXPECT_EQ(e[1]->Top(), 98 + 16 + 48 + 9 + 10);
    EXPECT_EQ(tree.ConnectorX(), 68);
    EXPECT_EQ(CAPPSTATRootResource::ConnectorY(*e[1], 100), e[1]->Top() + 24);
    e[1]->PlaceHit(100, 40, 14);
    EXPECT_EQ(tree.ExpansionArea(), (Rect{50, 98, e[1]->Hit().right, e[1]->Hit().bottom}));
}

TEST(TreeMarks, SelectionAndFocusTexts) {
    AppstatParts parts;
    parts.AddInstance("", "app", "ISP");
    CAPPSTATRootResource tree(parts.db, "app");
    tree.SetFocusMark(true, parts.painter);
    EXPECT_EQ(parts.painter.Last(), "Press TAB to select the application.");
    tree.SetSelected(true, parts.painter);
    EXPECT_EQ(parts.painter.Last().rfind("app", 0), 0u);
    tree.SetFocusMark(true, parts.painter);
    EXPECT_EQ(parts.painter.Last(), "Press TAB to unselect the application.");
    tree.SetSelected(false, parts.painter);
    EXPECT_EQ(parts.painter.Last(), "Ready");
    EXPECT_TRUE(tree.FocusMark());
    EXPECT_FALSE(tree.Selected());
}

}  // namespace
}  // namespace appstat
