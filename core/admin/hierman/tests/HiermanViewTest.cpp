// The hierarchy view's logic on the fake database: population, the update at
// each tick, icons, focus, keys, zoom and the drag of trees.
#include "ViewFixture.h"

#include <algorithm>

namespace hierman {
namespace {

using Op = panelaid::FakeConsoleDatabase::Op;

class HiermanView : public ViewFixture {
protected:
    void SetUp() override {
        AddResource("H1", "ISP");
        AddResource("H2", "OSU");
        AddResource("app", "OSU");
        AddResource("ip", "ISU");
        AddResource("disk", "OSF");
        db.AddDependency("SYSA", "H2", "app");
        db.AddDependency("SYSA", "app", "ip");
        db.AddDependency("SYSA", "app", "disk");
        MakeView();
    }
    int Icon(const std::string& tag) { return view->IconOf(view->FindCell(tag)); }
};

TEST_F(HiermanView, FirstPopulationPlacesEveryRootAndFocusesTheFirst) {
    view->UpdateView(false);
    EXPECT_EQ(view->SystemName(), "SYSA");
    EXPECT_EQ(TagAt(0, 1), "H1");
    EXPECT_EQ(TagAt(0, 3), "H2");
    EXPECT_EQ(view->Focus(), (CellPos{0, 1}));
    EXPECT_TRUE(view->Get(0, 1)->focusMark);
    EXPECT_EQ(Icon("H1"), kIconInService);
    // Out of service, hiding a resource in another state.
    EXPECT_EQ(Icon("H2"), kIconSummaryOtherState);
    const auto texts = bar.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Populating window with root resources from SYSA"), texts.end());
    EXPECT_EQ(bar.Last(), "Ready");
    EXPECT_GE(surface.repaintAll, 1);
}

TEST_F(HiermanView, CollapsedSummaryIconsFollowTheSubtree) {
    db.SetInstanceState("SYSA", "disk", "ISP");
    view->UpdateView(false);
    EXPECT_EQ(Icon("H2"), kIconSummaryOutOfService);
    db.SetInstanceState("SYSA", "H2", "ISP");
    EXPECT_EQ(Icon("H2"), kIconSummaryInService);
    db.SetInstanceState("SYSA", "H2", "ODD");
    EXPECT_EQ(Icon("H2"), kIconSummaryOtherState);
    view->DoubleClick({0, 3});
    EXPECT_EQ(Icon("H2"), kIconOtherState);
    EXPECT_EQ(view->InstanceStateIcon("SYSA", "ip"), kIconInService);
    EXPECT_EQ(view->InstanceStateIcon("SYSA", "nosuch"), kIconOtherState);
}

TEST_F(HiermanView, SystemWithoutInstancesShowsAnEmptyGridWithoutFocusMark) {
    surface.title = "EMPTY";
    view->UpdateView(false);
    EXPECT_EQ(view->NthRoot(0), nullptr);
    EXPECT_EQ(view->Focus(), (CellPos{0, 0}));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(db.ErrorNumber(), 0);
}

TEST_F(HiermanView, ANewRootAtTheNextTickKeepsExpandedTrees) {
    view->UpdateView(false);
    view->DoubleClick({0, 3});  // H2
    view->DoubleClick({1, 4});  // app
    ASSERT_EQ(TagAt(2, 5), "ip");
    AddResource("H3", "ISP");
    view->UpdateView(true);
    EXPECT_EQ(TagAt(2, 5), "ip");
    EXPECT_EQ(TagAt(2, 6), "disk");
    EXPECT_TRUE(view->FindCell("H2")->expanded);
    CMatrixCell* h3 = view->FindRoot("H3");
    ASSERT_NE(h3, nullptr);
    EXPECT_EQ(view->Focus(), (CellPos{h3->column, h3->row}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(HiermanView, AVanishedRootGoesWithItsSubtree) {
    view->UpdateView(false);
    view->DoubleClick({0, 3});
    for (const char* tag : {"H2", "app", "ip", "disk"}) db.RemoveInstance("SYSA", tag);
    view->UpdateView(true);
    EXPECT_EQ(view->FindCell("H2"), nullptr);
    EXPECT_EQ(view->FindCell("app"), nullptr);
    EXPECT_EQ(view->OccupiedExtent(0, 2), 0);
    EXPECT_EQ(TagAt(0, 1), "H1");
}

TEST_F(HiermanView, AFailedReadKeepsThePictureAndIsRetriedAtTheNextTick) {
    view->UpdateView(false);
    view->UpdateView(true);
    db.RemoveInstance("SYSA", "H1");
    db.FailNext(Op::InstanceList, 4, "read failed", 100);
    view->UpdateView(true);
    EXPECT_NE(view->FindRoot("H1"), nullptr);
    EXPECT_NE(view->FindRoot("H2"), nullptr);
    EXPECT_EQ(view->FindRoot("H1")->icon, kIconInService);
    EXPECT_EQ(view->FindRoot("H2")->icon, kIconSummaryOtherState);
    EXPECT_EQ(db.ErrorNumber(), 0);
    db.FailNext(Op::InstanceList, 0, "", 0);
    view->UpdateView(true);  // the stamp did not move again
    EXPECT_EQ(view->FindRoot("H1"), nullptr);
    EXPECT_NE(view->FindRoot("H2"), nullptr);
}

TEST_F(HiermanView, AChildReadFailingMidRefreshKeepsTheTreeAndTheNextTickCatchesUp) {
    view->UpdateView(false);
    view->DoubleClick({view->FindRoot("H2")->column, view->FindRoot("H2")->row});
    view->UpdateView(true);
    ASSERT_TRUE(view->FindRoot("H2")->expanded);
    // H2 gains a child it does not show, but its child lists cannot be read.
    AddResource("extra", "ISP");
    db.AddDependency("SYSA", "H2", "extra");
    db.FailNext(Op::DependencyList, 4, "read failed", 100);
    view->UpdateView(true);
    EXPECT_TRUE(view->FindRoot("H2")->expanded);
    EXPECT_NE(view->FindCell("app"), nullptr);
    EXPECT_EQ(db.ErrorNumber(), 0);
    db.FailNext(Op::DependencyList, 0, "", 0);
    view->UpdateView(true);  // the stamp did not move again
    EXPECT_FALSE(view->FindRoot("H2")->expanded);
    EXPECT_EQ(view->FindCell("app"), nullptr);
}

TEST_F(HiermanView, OneStaleRootCollapsesOnlyItself) {
    AddResource("H3", "ISP");
    AddResource("svc", "ISP");
    db.AddDependency("SYSA", "H3", "svc");
    view->UpdateView(false);
    view->DoubleClick({view->FindRoot("H2")->column, view->FindRoot("H2")->row});
    view->DoubleClick({view->FindRoot("H3")->column, view->FindRoot("H3")->row});
    ASSERT_TRUE(view->FindRoot("H2")->expanded);
    ASSERT_TRUE(view->FindRoot("H3")->expanded);
    // H2 gains a child it does not show: its picture is stale.
    AddResource("extra", "ISP");
    db.AddDependency("SYSA", "H2", "extra");
    view->UpdateView(true);
    EXPECT_FALSE(view->FindRoot("H2")->expanded);
    EXPECT_TRUE(view->FindRoot("H3")->expanded);
    EXPECT_NE(view->FindCell("svc"), nullptr);
}

TEST_F(HiermanView, ChangedStatesRepaintTheirCellsOnly) {
    view->UpdateView(false);
    view->DoubleClick({0, 3});
    view->UpdateView(true);
    surface.cells.clear();
    db.SetInstanceState("SYSA", "app", "ISP");
    view->UpdateView(true);
    EXPECT_EQ(surface.cells, (std::vector<CellPos>{{1, 4}}));
    EXPECT_EQ(view->FindCell("app")->icon, kIconSummaryInService);
}

TEST_F(HiermanView, AnUnchangedStampReadsNothingMore) {
    view->UpdateView(false);
    view->UpdateView(true);
    const int lists = db.Calls(Op::InstanceList) + db.Calls(Op::DependencyList);
    const int stamps = db.Calls(Op::Stamp);
    view->UpdateView(true);
    view->UpdateView(true);
    EXPECT_EQ(db.Calls(Op::InstanceList) + db.Calls(Op::DependencyList), lists);
    EXPECT_EQ(db.Calls(Op::Stamp), stamps + 2);
    view->UpdateView(false);  // forced
    EXPECT_GT(db.Calls(Op::InstanceList), lists);
}

TEST_F(HiermanView, ARetitledDocumentIsShownAtTheNextOnlyIfChangedUpdate) {
    AddResource("B1", "ISP", "SYSB");
    view->UpdateView(false);
    view->UpdateView(true);
    view->UpdateView(true);  // the stamp has not moved
    surface.title = "SYSB";
    view->DocumentRetitled();
    view->UpdateView(true);
    EXPECT_EQ(view->SystemName(), "SYSB");
    EXPECT_NE(view->FindRoot("B1"), nullptr);
    EXPECT_EQ(view->FindRoot("H1"), nullptr);
}

TEST_F(HiermanView, ErrorsAtAnUnmovedStampWaitForTheNextFullUpdate) {
    view->UpdateView(false);
    view->UpdateView(true);
    // A stamp that fails to read, at the quick check and again at the full
    // update, is no pending error: nothing advised, nothing left set.
    db.FailNext(Op::Stamp, 5, "gone", 2);
    view->UpdateView(true);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(db.ErrorNumber(), 0);
    view->UpdateView(true);
    // An error left pending while the stamp stands is advised, and cleared,
    // by the first update that reads more; that update still catches up.
    panelaid::FakeConsoleDatabase::SetThreadError(4, "left over");
    view->UpdateView(true);
    EXPECT_TRUE(boxes.Shown().empty());
    AddResource("H3");
    view->UpdateView(true);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("Qdb_errno == QDB_OK"), std::string::npos);
    EXPECT_EQ(db.ErrorNumber(), 0);
    EXPECT_NE(view->FindRoot("H3"), nullptr);
}

TEST_F(HiermanView, ASystemThatStopsRespondingClosesItsView) {
    panelaid::PathDefinition path;
    path.system = "SYSB";
    db.AddPath("", path, "ALIVE");
    AddResource("B1", "ISP", "SYSB");
    surface.title = "SYSB";
    view->UpdateView(false);
    view->UpdateView(true);
    EXPECT_EQ(surface.closes, 0);
    EXPECT_EQ(MachineState(db, "SYSB"), kMachineAlive);
    db.FailNext(Op::NetworkList, 7, "none");
    view->UpdateView(true);
    EXPECT_EQ(surface.closes, 1);
    EXPECT_EQ(MachineState(db, "SYSA"), kMachineAlive);  // the local system
    EXPECT_EQ(MachineState(db, "SYSC"), kMachineDead);
}

TEST_F(HiermanView, ASystemRemovedWhileShownClosesItsView) {
    db.AddSystem("", "SYSB");
    panelaid::PathDefinition path;
    path.system = "SYSB";
    path.device = "TCPIP:1500";
    db.AddPath("", path, "ALIVE");
    AddResource("B1", "ISP", "SYSB");
    surface.title = "SYSB";
    view->UpdateView(false);
    ASSERT_NE(view->FindRoot("B1"), nullptr);
    ASSERT_EQ(db.NetworkRemove("", "SYSB", "TCPIP:1500"), 0);
    ASSERT_EQ(db.SystemRemove("", "SYSB"), 0);
    view->UpdateView(true);
    EXPECT_EQ(surface.closes, 1);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(HiermanView, APendingErrorIsAdvisedAndCleared) {
    panelaid::FakeConsoleDatabase::SetThreadError(4, "left over");
    view->UpdateView(false);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("Qdb_errno == QDB_OK\nhiermanview: "), std::string::npos);
    EXPECT_EQ(db.ErrorNumber(), 0);
    EXPECT_NE(view->FindRoot("H1"), nullptr);
}

TEST_F(HiermanView, MoreRootsThanTheGridHoldsAreAdvisedOnceWithoutDuplicates) {
    for (int i = 0; i < 70; ++i) AddResource("R" + std::to_string(100 + i));
    boxes.Answer(panelaid::BoxAnswer::Retry);
    boxes.Answer(panelaid::BoxAnswer::Ignore);
    view->UpdateView(false);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_NE(boxes.Shown()[0].text.find("GetRoots() == TRUE"), std::string::npos);
    int roots = 0;
    while (view->NthRoot(roots)) ++roots;
    EXPECT_EQ(roots, 60);
    EXPECT_EQ(view->FindRoot("H1")->row, 1);
}

TEST_F(HiermanView, ExpandWithoutRoomSaysSoAndStaysCollapsed) {
    std::string tag = "c0";
    AddResource(tag);
    for (int i = 1; i < 9; ++i) {
        std::string child = "c" + std::to_string(i);
        AddResource(child);
        db.AddDependency("SYSA", tag, child);
        tag = child;
    }
    view->UpdateView(false);
    CMatrixCell* cell = view->FindRoot("c0");
    for (int i = 0; i < 7; ++i) {
        view->DoubleClick({cell->column, cell->row});
        cell = view->Get(cell->column + 1, cell->row + 1);
        ASSERT_NE(cell, nullptr);
    }
    ASSERT_TRUE(boxes.Shown().empty());
    view->DoubleClick({cell->column, cell->row});
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Can not expand c7\nNo room in matrix.");
    EXPECT_FALSE(cell->expanded);
}

TEST_F(HiermanView, KeysStopAtTheEdgesAndLettersWrap) {
    AddResource("Hx", "ISP");
    view->UpdateView(false);
    // H1 (0,1), H2 (0,3), Hx (0,5)
    view->KeyArrow(NavKey::Left);
    EXPECT_EQ(view->Focus(), (CellPos{0, 1}));
    view->KeyArrow(NavKey::Down);
    EXPECT_EQ(view->Focus(), (CellPos{0, 3}));
    view->KeyArrow(NavKey::Up);
    view->KeyArrow(NavKey::Up);
    EXPECT_EQ(view->Focus(), (CellPos{0, 1}));
    EXPECT_TRUE(view->Get(0, 1)->focusMark);
    EXPECT_FALSE(view->Get(0, 3)->focusMark);
    view->Letter('H');
    EXPECT_EQ(TagAt(view->Focus().column, view->Focus().row), "H2");
    view->Letter('H');
    EXPECT_EQ(TagAt(view->Focus().column, view->Focus().row), "Hx");
    view->Letter('H');  // wraps to the first
    EXPECT_EQ(TagAt(view->Focus().column, view->Focus().row), "H1");
    view->Letter('h');  // case sensitive: nothing
    EXPECT_EQ(TagAt(view->Focus().column, view->Focus().row), "H1");
}

TEST_F(HiermanView, ZoomStopsAtItsLimitsAndStillStoresTheIndex) {
    struct Case { int larger; int index; int pixels; } cases[] = {{+1, 0, 32}, {-1, 1, 24}, {-1, 2, 16}, {-1, 2, 16}, {+1, 1, 24}};
    for (const auto& c : cases) {
        view->Zoom(c.larger);
        EXPECT_EQ(view->SizeIndex(), c.index);
        EXPECT_EQ(surface.iconSize, c.pixels);
        const auto* stored = store.Find("HIERMAN", "Zoom");
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(std::get<std::uint32_t>(*stored), static_cast<std::uint32_t>(c.index));
    }
}

TEST_F(HiermanView, AStoredZoomIndexOutOfRangeGivesTheLargestIcons) {
    struct Case { std::uint32_t stored; int index; } cases[] = {{1, 1}, {2, 2}, {3, 0}, {0xFFFFFFFF, 0}};
    for (const auto& c : cases) {
        store.WriteNumber("HIERMAN", "Zoom", c.stored);
        MakeView();
        EXPECT_EQ(view->SizeIndex(), c.index) << c.stored;
    }
}

TEST_F(HiermanView, AFontChoiceBelongsToItsSizeAndLightWeightsBecomeNormal) {
    ViewFont chosen = view->Font();
    EXPECT_EQ(chosen, DefaultViewFont(0));
    chosen.face = "Courier";
    chosen.weight = 400;
    chosen.italic = true;
    const int before = surface.repaintAll;
    view->TakeFontChoice(chosen, 0xFF112233u);
    EXPECT_EQ(view->Font().weight, 0);
    EXPECT_EQ(view->Font().face, "Courier");
    EXPECT_TRUE(view->Font().italic);
    EXPECT_EQ(view->TextColour(), 0x112233u);
    EXPECT_EQ(surface.repaintAll, before + 1);
    chosen.weight = 700;
    view->Zoom(-1);
    view->TakeFontChoice(chosen, 0x0000FFu);
    EXPECT_EQ(view->Font().weight, 700);
    view->Zoom(-1);
    // The smallest size kept its own font and black text.
    EXPECT_EQ(view->Font(), DefaultViewFont(2));
    EXPECT_EQ(view->Font().height, -8);
    EXPECT_EQ(view->TextColour(), 0u);
    view->Zoom(+1);
    view->Zoom(+1);
    EXPECT_EQ(view->Font().face, "Courier");
    EXPECT_EQ(view->TextColour(), 0x112233u);
}

TEST_F(HiermanView, HelpHitTestGivesTheIconOfTheCurrentSize) {
    view->UpdateView(false);
    view->DoubleClick({0, 3});
    struct Case { int zoomOut; CellPos at; int help; } cases[] = {
        {0, {0, 1}, 130}, {0, {0, 4}, 135}, {0, {5, 5}, 0x20081}, {0, {40, 0}, 0x20081},
        {1, {0, 1}, 161}, {1, {0, 3}, 162}, {2, {0, 1}, 147}, {2, {0, 4}, 152},
    };
    for (const auto& c : cases) {
        MakeView();
        view->UpdateView(false);
        view->DoubleClick({0, 3});
        for (int i = 0; i < c.zoomOut; ++i) view->Zoom(-1);
        EXPECT_EQ(view->HelpHitTest(c.at), c.help) << c.at.column << "," << c.at.row << " zoom " << c.zoomOut;
        for (int i = 0; i < c.zoomOut; ++i) view->Zoom(+1);
    }
}

TEST_F(HiermanView, TreeCommandsOpenAndCloseSelectedTrees) {
    view->UpdateView(false);
    view->ButtonDown({0, 3});  // selects H2
    view->RunTreeCommand(CHiermanView::TreeCommand::ExpandTree);
    EXPECT_NE(view->FindCell("ip"), nullptr);
    EXPECT_TRUE(view->FindCell("app")->expanded);
    EXPECT_EQ(view->NthSelected(0), nullptr);
    view->ButtonDown({0, 3});
    view->RunTreeCommand(CHiermanView::TreeCommand::Expand);
    EXPECT_NE(view->FindCell("app"), nullptr);
    EXPECT_EQ(view->FindCell("ip"), nullptr);
    view->ButtonDown({0, 3});
    view->RunTreeCommand(CHiermanView::TreeCommand::Collapse);
    EXPECT_EQ(view->FindCell("app"), nullptr);
}

}  // namespace
}  // namespace hierman
