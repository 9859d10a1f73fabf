// The document: the grid, the zoom, the refresh and its change test, and the
// tree operations of the view.
#include "AppstatParts.h"
#include "InstanceReads.h"

#include <gtest/gtest.h>

#include <set>

namespace appstat {
namespace {

using Op = panelaid::FakeConsoleDatabase::Op;

class Document : public testing::Test, protected AppstatParts {
protected:
    CAPPSTATDoc& Open() {
        doc = std::make_unique<CAPPSTATDoc>(Services(), host);
        doc->OnNewDocument();
        doc->Load();
        return *doc;
    }
    void AddTrees(int count, const std::string& prefix = "t") {
        for (int i = 0; i < count; ++i) AddHierarchy(prefix + std::to_string(i), "ISP", "OSU");
    }
    std::vector<std::string> Tags() const {
        std::vector<std::string> tags;
        for (const auto& t : doc->Trees()) tags.push_back(t->Tag());
        return tags;
    }
    CAPPSTATRootResource& Tree(std::size_t i) { return *doc->Trees().at(i); }

    std::unique_ptr<CAPPSTATDoc> doc;
};

TEST(GridFill, ShellsOfColumnRowAndCorner) {
    const std::vector<GridPlace> expected = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {2, 1}, {0, 2},
                                             {1, 2}, {2, 2}, {3, 0}, {3, 1}, {3, 2}, {0, 3}};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(GridPlaceOf(i), expected[i]) << i;
    std::set<std::pair<int, int>> places;
    for (std::size_t i = 0; i < 25; ++i) {
        const GridPlace p = GridPlaceOf(i);
        EXPECT_LE(p.column, 4);
        EXPECT_LE(p.row, 4);
        places.insert({p.column, p.row});
    }
    EXPECT_EQ(places.size(), 25u) << "twenty-five trees fill 5 x 5";
    EXPECT_EQ(GridPlaceOf(25), (GridPlace{5, 0}));
    EXPECT_EQ(GridPlaceOf(30), (GridPlace{0, 5}));
}

TEST_F(Document, LoadReadsOneProtectedTreePerRoot) {
    AddTrees(2);
    AddHierarchy("lone", "ISP");
    db.AddDependency("", "t0", "child");
    AddInstance("", "child", "ISP");
    Open();
    EXPECT_EQ(Tags(), (std::vector<std::string>{"t0", "t1", "lone"})) << "roots only, in record order";
    EXPECT_EQ(doc->Title(), "SYSA");
    EXPECT_EQ(Tree(0).State(), TreeState::Protected);
    EXPECT_EQ(Tree(2).State(), TreeState::Illegal);
    EXPECT_TRUE(doc->LayoutChanged());
    EXPECT_EQ(host.updates, 1);
    ASSERT_EQ(doc->Stamps().size(), 2u);
    EXPECT_EQ(doc->Stamps()[0]->Name(), "SYSA");
    EXPECT_EQ(doc->Stamps()[1]->Name(), "SYSB");
}

TEST_F(Document, ScrollSizeGrowsOnlyWithASixthColumnOrRow) {
    AddTrees(25);
    Open();
    EXPECT_EQ(doc->ScrollWidth(), 117 * 5 + 50);
    EXPECT_EQ(doc->ScrollHeight(), 225 * 5 + 50);
    const int width = doc->ScrollWidth();
    const int height = doc->ScrollHeight();

    AddHierarchy("t25", "ISP", "OSU");
    doc->Refresh();
    EXPECT_TRUE(doc->LayoutChanged());
    EXPECT_EQ(doc->ScrollWidth(), width + 117) << "a sixth column";
    EXPECT_EQ(doc->ScrollHeight(), height);
    for (int i = 26; i < 31; ++i) AddHierarchy("t" + std::to_string(i), "ISP", "OSU");
    doc->Refresh();
    EXPECT_EQ(doc->ScrollHeight(), height + 225) << "a sixth row";
}

TEST_F(Document, FewTreesKeepTheMinimumScrollSize) {
    AddTrees(3);
    Open();
    EXPECT_EQ(doc->ScrollWidth(), 117 * 5 + 50);
    EXPECT_EQ(doc->ScrollHeight(), 225 * 5 + 50);
}

TEST_F(Document, BoxesFollowTheZoomWithinItsSteps) {
    AddTrees(4);
    Open();
    EXPECT_EQ(doc->Zoom(), 100) << "no stored zoom";
    const Rect full = Tree(3).Box();
    EXPECT_EQ(full, (Rect{50 + 117, 50 + 225, 50 + 117 + 72, 50 + 225 + 48}));
    doc->ZoomIn();
    EXPECT_EQ(doc->Zoom(), 100);
    EXPECT_EQ(Tree(3).Box(), full);
    doc->ZoomOut();
    doc->ZoomOut();
    EXPECT_EQ(doc->Zoom(), 80);
    // At 80: x = 50 + 80 * 117 / 100 - 20, y = 50 + 80 * 225 / 100 - 20.
    const Rect small{123, 210, 123 + 57, 210 + 38};
    EXPECT_EQ(Tree(3).Box(), small);
    doc->ZoomOut();
    EXPECT_EQ(doc->Zoom(), 80);
    EXPECT_EQ(Tree(3).Box(), small);
    const int width = doc->ScrollWidth();
    doc->ZoomIn();
    EXPECT_EQ(doc->Zoom(), 90);
    EXPECT_EQ(doc->ScrollWidth(), width) << "the scroll size does not follow the zoom";

    doc->OnCloseDocument(kConsoleTitle);
    Open();
    EXPECT_EQ(doc->Zoom(), 90) << "the zoom is kept";
    store.SetText("APPSTAT", "Zoom", "80");
    Open();
    EXPECT_EQ(doc->Zoom(), 100) << "a zoom stored as text is not a zoom";
}

TEST_F(Document, StoredZoomOutsideTheStepsStartsAtFull) {
    for (std::uint32_t stored : {85u, 0u, 0xFFFFFFF6u, 1000u}) {
        store.WriteNumber("APPSTAT", "Zoom", stored);
        doc = std::make_unique<CAPPSTATDoc>(Services(), host);
        doc->OnNewDocument();
        EXPECT_EQ(doc->Zoom(), 100) << stored;
    }
}

TEST_F(Document, RefreshReadsOnlyWhenAStampOrTheSystemsChanged) {
    AddTrees(2);
    Open();
    const int lists = db.Calls(Op::InstanceList);
    const int updates = host.updates;
    doc->Refresh();
    doc->Refresh();
    EXPECT_EQ(db.Calls(Op::InstanceList), lists) << "nothing changed";
    EXPECT_EQ(host.updates, updates);
    EXPECT_EQ(host.status.back(), "Ready");

    db.SetInstanceState("SYSB", "t1", "ISP");  // moves SYSB's stamp
    doc->Refresh();
    EXPECT_GT(db.Calls(Op::InstanceList), lists);
    EXPECT_EQ(Tree(1).State(), TreeState::Illegal);
    EXPECT_EQ(host.updates, updates + 1);
    EXPECT_EQ(host.waitCursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(painter.Texts().front(), "Updating window with current status of Holdervane");

    const int again = db.Calls(Op::InstanceList);
    db.SetInitializing(true);
    db.AddSystem("", "SYSB", 'A');  // the local stamp moves
    doc->Refresh();
    EXPECT_GT(db.Calls(Op::InstanceList), again);
    EXPECT_EQ(painter.Last(), "Holdervane is initializing.");
}

TEST_F(Document, SystemWithoutALocalHierarchyMakesEveryRefreshRead) {
    AddTrees(1);
    db.AddSystem("", "SYSC", 'A');
    Open();
    for (int i = 0; i < 3; ++i) {
        const int lists = db.Calls(Op::InstanceList);
        doc->Refresh();
        EXPECT_GT(db.Calls(Op::InstanceList), lists) << "refresh " << i;
        EXPECT_EQ(doc->Stamps().size(), 2u) << "SYSC never gets a stamp";
    }
}

TEST_F(Document, TreesComeAndGoAndLaterTreesMoveBack) {
    AddTrees(3);
    Open();
    doc->ClearLayoutChanged();
    db.RemoveInstance("", "t1");
    AddHierarchy("new", "OSU", "ISP");
    doc->Refresh();
    EXPECT_EQ(Tags(), (std::vector<std::string>{"t0", "t2", "new"}));
    EXPECT_EQ((GridPlace{Tree(1).Column(), Tree(1).Row()}), (GridPlace{1, 0}));
    EXPECT_EQ((GridPlace{Tree(2).Column(), Tree(2).Row()}), (GridPlace{0, 1}));
    EXPECT_EQ(Tree(1).Box().left, 50 + 117);
    EXPECT_EQ(Tree(2).State(), TreeState::Protected);
    EXPECT_TRUE(doc->LayoutChanged()) << "a tree came and one went";
}

// Trees: 0 expanded and selected, 1 expanded, 2 collapsed and selected, 3
// collapsed. Each row: the operation, then per tree expanded / selected /
// marked for repainting afterwards.
struct OperationCase {
    const char* name;
    void (CAPPSTATDoc::*operation)();
    const char* expanded;
    const char* selected;
    const char* repaint;
};

class TreeOperations : public Document, public testing::WithParamInterface<OperationCase> {};

TEST_P(TreeOperations, ChangeAndMarkTheRightTrees) {
    const OperationCase& c = GetParam();
    AddTrees(4);
    Open();
    const bool expanded[] = {true, true, false, false};
    const bool selected[] = {true, false, true, false};
    for (std::size_t i = 0; i < 4; ++i) {
        Tree(i).SetExpanded(expanded[i]);
        Tree(i).SetSelected(selected[i], painter);
        Tree(i).SetRepaint(true);
    }
    if (c.operation != &CAPPSTATDoc::CollapseAll)
        for (std::size_t i = 0; i < 4; ++i) Tree(i).SetRepaint(false);
    (doc.get()->*c.operation)();
    std::string e, s, r;
    for (std::size_t i = 0; i < 4; ++i) {
        e += Tree(i).Expanded() ? '1' : '0';
        s += Tree(i).Selected() ? '1' : '0';
        r += Tree(i).NeedsRepaint() ? '1' : '0';
    }
    EXPECT_EQ(e, c.expanded) << c.name;
    EXPECT_EQ(s, c.selected) << c.name;
    EXPECT_EQ(r, c.repaint) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, TreeOperations, testing::Values(
    OperationCase{"collapse selected", &CAPPSTATDoc::CollapseSelected, "0100", "0010", "1000"},
    OperationCase{"expand selected", &CAPPSTATDoc::ExpandSelected, "1110", "1000", "0010"},
    OperationCase{"collapse all", &CAPPSTATDoc::CollapseAll, "0000", "1010", "1100"},
    OperationCase{"expand all", &CAPPSTATDoc::ExpandAll, "1111", "1010", "0011"},
    OperationCase{"toggle selected", &CAPPSTATDoc::ToggleSelected, "0110", "1010", "1010"}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n) if (ch == ' ') ch = '_';
        return n;
    });

TEST_F(Document, EnablingOfTheTreeCommands) {
    AddTrees(2);
    Open();
    struct Row {
        bool expanded0, selected0, expanded1;
        bool collapse, collapseAll, expand, expandAll;
    };
    const Row rows[] = {
        {true, false, true, false, true, false, false},
        {true, true, true, true, true, false, false},
        {false, true, true, false, true, true, true},
        {false, false, false, false, false, false, true},
        {false, true, false, false, false, true, true},
    };
    for (const Row& row : rows) {
        Tree(0).SetExpanded(row.expanded0);
        Tree(0).SetSelected(row.selected0, painter);
        Tree(1).SetExpanded(row.expanded1);
        EXPECT_EQ(doc->AnySelectedExpanded(), row.collapse);
        EXPECT_EQ(doc->AnyExpanded(), row.collapseAll);
        EXPECT_EQ(doc->AnySelectedCollapsed(), row.expand);
        EXPECT_EQ(doc->AnyCollapsed(), row.expandAll);
    }
}

TEST_F(Document, ClickSelectsMovesTheFocusAndToggles) {
    AddTrees(3);
    Open();
    const Rect b1 = Tree(1).Box();
    doc->SelectAt(b1.left + 1, b1.top + 1);
    EXPECT_TRUE(Tree(1).Selected());
    EXPECT_TRUE(Tree(1).FocusMark());
    const Rect b2 = Tree(2).Box();
    doc->SelectAt(b2.left, b2.top);
    EXPECT_TRUE(Tree(2).FocusMark());
    EXPECT_FALSE(Tree(1).FocusMark());
    EXPECT_TRUE(Tree(1).Selected()) << "selection stays with the tree";
    doc->SelectAt(b2.right, b2.bottom);  // just outside
    EXPECT_TRUE(Tree(2).FocusMark());
    doc->ToggleAt(b2.left + 5, b2.top + 5);
    EXPECT_FALSE(Tree(2).Expanded());
    doc->ToggleAt(0, 0);
    EXPECT_TRUE(Tree(0).Expanded());
    doc->ToggleFocusedSelection();
    EXPECT_FALSE(Tree(2).Selected());
}

TEST_F(Document, FocusMovesAlongTheGridAndBeepsAtTheEdges) {
    AddTrees(5);  // (0,0) (1,0) (0,1) (1,1) (2,0)
    Open();
    struct Step {
        int dc, dr;
        int column, row;
        int beeps;
    };
    const Step steps[] = {
        {1, 0, 0, 0, 0},   // no focus yet: the first tree takes it
        {-1, 0, 0, 0, 1},  // left edge
        {0, -1, 0, 0, 2},  // top edge
        {1, 0, 1, 0, 2}, {1, 0, 2, 0, 2}, {0, 1, 2, 0, 3},  // (2,1) is empty
        {1, 0, 2, 0, 4}, {-1, 0, 1, 0, 4}, {0, 1, 1, 1, 4}, {-1, 0, 0, 1, 4}, {0, 1, 0, 1, 5},
    };
    for (const Step& s : steps) {
        doc->MoveFocus(s.dc, s.dr);
        CAPPSTATRootResource* f = doc->FocusedTree();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ((GridPlace{f->Column(), f->Row()}), (GridPlace{s.column, s.row}));
        EXPECT_EQ(host.beeps, s.beeps);
    }
    int focused = 0;
    for (const auto& t : doc->Trees()) focused += t->FocusMark() ? 1 : 0;
    EXPECT_EQ(focused, 1);
}

TEST_F(Document, EmptyDatabaseGivesAnEmptyPicture) {
    Open();
    EXPECT_TRUE(doc->Trees().empty());
    doc->MoveFocus(1, 0);
    EXPECT_EQ(host.beeps, 1);
    doc->Refresh();
    EXPECT_EQ(db.ErrorNumber(), 0);
}

TEST_F(Document, DamagedListsAreSkippedNotFollowed) {
    const std::string tag255(255, 'x');
    db.rawRoots = panelaid::Records{
        Fields({"SYSA", "app", "type", "short", "id", "info"}),         // six fields
        Fields({"SYSA", "app", "type", "", "id", "info", "ISP"}),      // no tag
        Fields({"SYSA", "app", "type", tag255, "id", "info", "ISP"}),
        Fields({"SYSA", "app", "type", "good", "id", "info", "OSU"}),
    };
    db.rawEquivalencies = panelaid::Records{Fields({"SYSA", "good", "SYSB"}), Fields({"SYSA", "good", "SYSB", "good"})};
    AddInstance("SYSB", "good", "ISP");
    AddInstance("SYSB", tag255, "OSU");
    Open();
    EXPECT_EQ(Tags(), (std::vector<std::string>{tag255, "good"}));
    EXPECT_EQ(Tree(1).Entries().size(), 2u) << "the short equivalency is skipped";

    // Short instance records where a state is read count as no record.
    db.rawInstances = panelaid::Records{Fields({"SYSB", "app", "type", "good"})};
    Tree(1).SetState("ISP");
    EXPECT_EQ(Tree(1).State(), TreeState::Unprotected);
}

TEST_F(Document, DependencyLoopBelowARootEndsAtEveryRefresh) {
    AddHierarchy("top", "ISP", "OSU");
    for (const char* tag : {"a", "b"}) AddInstance("", tag, "ISP");
    db.AddDependency("", "top", "a");
    db.AddDependency("", "a", "b");
    db.AddDependency("", "b", "a");
    Open();
    ASSERT_EQ(Tags(), std::vector<std::string>{"top"});
    EXPECT_EQ(Tree(0).State(), TreeState::Protected) << "the loop gives no backup; top's own does";
    db.SetInstanceState("SYSB", "top", "ISP");
    doc->Refresh();
    EXPECT_EQ(Tree(0).State(), TreeState::Illegal);
    EXPECT_EQ(Tree(0).Entries().size(), 2u);
}

TEST_F(Document, NullListsLeaveAnEmptyPictureWithErrorsCleared) {
    AddTrees(2);
    Open();
    db.rawRoots = panelaid::Records{};
    db.nullSystems = true;
    doc->Refresh();
    EXPECT_TRUE(doc->Trees().empty());
    EXPECT_TRUE(doc->LayoutChanged());
    EXPECT_EQ(db.ErrorNumber(), 0);
    doc->Refresh();  // a null system list with stamps is a change every time
    EXPECT_TRUE(doc->Trees().empty());
    EXPECT_EQ(doc->Stamps().size(), 1u) << "the local stamp stays";
    EXPECT_EQ(db.ErrorNumber(), 0);
}

TEST_F(Document, NoMoreTreesThanTheRecordCap) {
    panelaid::Records many;
    for (std::size_t i = 0; i < kMaxRecords + 50; ++i)
        many.push_back(Fields({"SYSA", "app", "type", "t" + std::to_string(i), "id", "info", "ISP"}));
    db.rawRoots = many;
    Open();
    EXPECT_EQ(doc->Trees().size(), kMaxRecords);
    EXPECT_EQ(Tree(kMaxRecords - 1).Tag(), "t" + std::to_string(kMaxRecords - 1));
}

}  // namespace
}  // namespace appstat
