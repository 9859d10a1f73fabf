// Dropping a dragged tree: where it lands, and the drops that are refused.
#include "ViewFixture.h"

namespace hierman {
namespace {

class DragPlanner : public ViewFixture {
protected:
    // H1 (0,1) with child c1 shown at (1,2); H2 (0,4); H3 (0,6); H4 (8,1);
    // H5 (8,3).
    void SetUp() override {
        for (const char* tag : {"H1", "H2", "H3", "H4", "H5", "c1"}) AddResource(tag);
        db.AddDependency("SYSA", "H1", "c1");
        MakeView();
        view->UpdateView(false);
        view->DoubleClick({0, 1});
        ASSERT_EQ(TagAt(1, 2), "c1");
        ASSERT_EQ(TagAt(0, 4), "H2");
        ASSERT_EQ(TagAt(0, 6), "H3");
        ASSERT_EQ(TagAt(8, 1), "H4");
        ASSERT_EQ(TagAt(8, 3), "H5");
    }
    CellPos At(const std::string& tag) {
        CMatrixCell* cell = view->FindCell(tag);
        return cell ? CellPos{cell->column, cell->row} : CellPos{-1, -1};
    }
};

TEST_F(DragPlanner, DropsTable) {
    struct Case {
        const char* name;
        CellPos release;
        bool inClient;
        DropResult result;
        CellPos h1, c1, h2;
    } cases[] = {
        // Own group further down: the rows below close up first.
        {"own group", {0, 10}, true, DropResult::Moved, {0, 9}, {1, 10}, {0, 2}},
        {"own group above", {2, 0}, true, DropResult::Moved, {0, 1}, {1, 2}, {0, 4}},
        // Right half of a group: the next group when its cell in that row is free.
        {"right half", {5, 7}, true, DropResult::Moved, {8, 8}, {9, 9}, {0, 2}},
        {"right half, next taken", {5, 3}, true, DropResult::Moved, {0, 2}, {1, 3}, {0, 4}},
        {"left half of group 1", {9, 5}, true, DropResult::Moved, {8, 6}, {9, 7}, {0, 2}},
        {"last group's right half", {30, 2}, true, DropResult::Moved, {24, 3}, {25, 4}, {0, 2}},
        {"on a resource", {8, 1}, true, DropResult::Refused, {0, 1}, {1, 2}, {0, 4}},
        {"row of the group used", {3, 2}, true, DropResult::Refused, {0, 1}, {1, 2}, {0, 4}},
        {"outside the client", {0, 10}, false, DropResult::Refused, {0, 1}, {1, 2}, {0, 4}},
        {"outside the grid", {0, 40}, true, DropResult::Refused, {0, 1}, {1, 2}, {0, 4}},
        {"no room below", {9, 30}, true, DropResult::NoRoom, {0, 1}, {1, 2}, {0, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeView();
        view->UpdateView(false);
        view->DoubleClick({0, 1});
        ASSERT_TRUE(view->ButtonDown({0, 1}));
        EXPECT_EQ(view->Drop({0, 1}, c.release, c.inClient), c.result);
        EXPECT_EQ(At("H1"), c.h1);
        EXPECT_EQ(At("c1"), c.c1);
        EXPECT_EQ(At("H2"), c.h2);
        EXPECT_EQ(At("H4"), (CellPos{8, 1}));
        EXPECT_TRUE(boxes.Shown().empty());
        if (c.result == DropResult::Moved) {
            EXPECT_EQ(view->Parent(view->FindCell("c1")), view->FindCell("H1"));
            EXPECT_TRUE(view->Get(view->Focus().column, view->Focus().row)->IsResource());
        }
    }
}

TEST_F(DragPlanner, AVanishedRootCancelsTheDrag) {
    ASSERT_TRUE(view->ButtonDown({0, 4}));
    db.RemoveInstance("SYSA", "H2");
    view->UpdateView(true);
    ASSERT_EQ(view->FindCell("H2"), nullptr);
    EXPECT_EQ(view->Drop({0, 4}, {0, 20}, true), DropResult::Vanished);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "The object you were moving was deleted.  Drag cancelled.");
}

TEST_F(DragPlanner, OnlyRootsDragAndCursorsShowWhereADropCanGo) {
    EXPECT_FALSE(view->ButtonDown({1, 2}));  // a child: selected, not dragged
    EXPECT_TRUE(view->FindCell("c1")->selected);
    struct Case { CellPos over; bool inClient; int quarter; int cursor; } cases[] = {
        {{0, 10}, true, 3, 3}, {{16, 0}, true, 2, 2}, {{0, 10}, false, 1, 5},
        {{8, 1}, true, 1, 5}, {{12, 1}, true, 4, 5}, {{0, 32}, true, 1, 5}, {{3, 2}, true, 1, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(view->DragCursor(c.over, c.inClient, c.quarter), c.cursor) << c.over.column << "," << c.over.row;
}

}  // namespace
}  // namespace hierman
