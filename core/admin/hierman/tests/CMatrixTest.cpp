// The cell matrix: grid, placement of roots, tree expansion and collapse,
// positions of parents and roots, keyboard navigation.
#include "CMatrix.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace hierman {
namespace {

// A matrix with the view's shape and placement rule over a fixed tree.
class TreeMatrix : public CMatrix {
public:
    explicit TreeMatrix(std::map<std::string, std::vector<std::string>> children = {}) : children_(std::move(children)) {
        Create(32, 32, 3, 8);
    }

    bool FindFreeBlock(int* column, int* row) override {
        if (!FindNearestFreeBlock(column, row)) return false;
        ++*row;
        return true;
    }
    int ChooseIcon(const std::string&, bool expanded) override { return expanded ? kIconInService : kIconSummaryInService; }
    int CountChildren(const std::string& tag) override {
        auto it = children_.find(tag);
        return it == children_.end() ? 0 : static_cast<int>(it->second.size());
    }
    void PlaceChildren(const std::string& tag, int, int column, int row, bool selected) override {
        for (const auto& child : children_[tag]) AddCell(child, column, row++)->selected = selected;
    }

    std::map<std::string, std::vector<std::string>> children_;
};

// One group's rows 0..last occupied as text: a resource shows its tag's first
// letter, a tee link 'T', a corner link 'L', a vertical link '|', free '.'.
std::vector<std::string> Picture(const CMatrix& m, int group = 0) {
    std::vector<std::string> rows;
    int start = group * m.GroupWidth();
    int used = m.OccupiedExtent(start, 0);
    for (int r = 0; r < used; ++r) {
        std::string line;
        for (int c = start; c < start + m.GroupWidth(); ++c) {
            CMatrixCell* cell = m.Get(c, r);
            char ch = '.';
            if (cell && cell->text == kTeeLink) ch = 'T';
            else if (cell && cell->text == kRightLink) ch = 'L';
            else if (cell && cell->text == kVertLink) ch = '|';
            else if (cell) ch = cell->text[0];
            if (cell) {
                EXPECT_EQ(cell->column, c) << cell->text;
                EXPECT_EQ(cell->row, r) << cell->text;
                EXPECT_EQ(cell->matrix, &m);
            }
            line += ch;
        }
        while (!line.empty() && line.back() == '.') line.pop_back();
        rows.push_back(line);
    }
    return rows;
}

using Lines = std::vector<std::string>;

TEST(CMatrix, ColumnsRoundUpToTheGroupWidth) {
    struct Case { int columns, group, expected; } cases[] = {{32, 8, 32}, {30, 8, 32}, {1, 8, 8}, {9, 4, 12}, {5, 1, 5}};
    for (const auto& c : cases) {
        CMatrix m;
        ASSERT_TRUE(m.Create(2, c.columns, 1, c.group));
        EXPECT_EQ(m.Columns(), c.expected) << c.columns << "/" << c.group;
    }
    CMatrix bad;
    EXPECT_FALSE(bad.Create(0, 8, 1, 4));
    EXPECT_FALSE(bad.HasStorage());
}

TEST(CMatrix, GetOutsideTheGridOrWithoutStorageGivesNoCell) {
    TreeMatrix m;
    for (int c = 0; c < 32; ++c) m.AddCell("x", c, c);
    struct Case { int column, row; } outside[] = {{-1, 0}, {0, -1}, {32, 0}, {0, 32}, {32, 32}, {-1, -1}};
    for (const auto& p : outside) EXPECT_EQ(m.Get(p.column, p.row), nullptr) << p.column << "," << p.row;
    EXPECT_EQ(m.AddCell("y", 32, 0), nullptr);
    ASSERT_NE(m.Get(31, 31), nullptr);
    m.Destroy();
    EXPECT_EQ(m.Get(0, 0), nullptr);
    EXPECT_EQ(m.AddRoot("z"), nullptr);
    EXPECT_EQ(m.NthRoot(0), nullptr);
}

TEST(CMatrix, RootsFillTheTopLeftFirstThenSpreadOverTheGroups) {
    TreeMatrix m;
    std::vector<CellPos> expected = {{0, 1}, {0, 3}, {0, 5}, {8, 1}, {8, 3}, {8, 5}, {8, 7}, {8, 9}, {0, 7}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        CMatrixCell* root = m.AddRoot("r" + std::to_string(i));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ((CellPos{root->column, root->row}), expected[i]) << "root " << i;
    }
    EXPECT_EQ(m.NthRoot(0)->text, "r0");
    EXPECT_EQ(m.NthRoot(1)->text, "r3");  // row order: (8,1) before (0,3)
    EXPECT_EQ(m.FindRoot("r8")->row, 7);
}

TEST(CMatrix, MoreRootsThanTheGridHoldsAreRefusedWithoutOverlap) {
    TreeMatrix m;
    int added = 0;
    while (m.AddRoot("r" + std::to_string(added))) ASSERT_LT(++added, 1000);
    // A root and its gap row: fifteen blocks per group, four groups.
    EXPECT_EQ(added, 60);
    for (int i = 0; i < added; ++i) ASSERT_NE(m.FindRoot("r" + std::to_string(i)), nullptr) << i;
}

TEST(CMatrix, MachineBarBlocksTakeRowsFromTheTopAndGroupsFromTheLeft) {
    CMatrix bar;
    bar.Create(2, 10, 1, 4);  // three groups of four
    std::vector<CellPos> expected = {{0, 0}, {4, 0}, {8, 0}, {0, 1}, {4, 1}, {8, 1}};
    for (const auto& want : expected) {
        CellPos at;
        ASSERT_TRUE(bar.FindFirstFreeBlock(&at.column, &at.row));
        EXPECT_EQ(at, want);
        bar.AddCell("s", at.column, at.row);
    }
    CellPos at;
    EXPECT_FALSE(bar.FindFirstFreeBlock(&at.column, &at.row));
}

TEST(CMatrix, ExpandDrawsLinksAndContinuesAncestorLinesThroughInsertedRows) {
    TreeMatrix m({{"A", {"B", "C"}}, {"B", {"D", "E"}}, {"C", {"F"}}});
    CMatrixCell* a = m.AddRoot("A");
    CMatrixCell* z = m.AddRoot("Z");
    ASSERT_EQ(z->row, 3);
    ASSERT_TRUE(m.ExpandCell(a, false));
    EXPECT_EQ(Picture(m), (Lines{"", "A", "TB", "LC", "", "Z"}));
    ASSERT_TRUE(m.ExpandCell(m.FindCell("B"), true));
    EXPECT_EQ(Picture(m), (Lines{"", "A", "TB", "|TD", "|LE", "LC", "", "Z"}));
    EXPECT_TRUE(m.FindCell("D")->selected);
    EXPECT_FALSE(m.FindCell("B")->selected);
    ASSERT_TRUE(m.ExpandCell(m.FindCell("C"), false));
    EXPECT_EQ(Picture(m), (Lines{"", "A", "TB", "|TD", "|LE", "LC", ".LF", "", "Z"}));
    EXPECT_TRUE(a->expanded);

    int icons[] = {m.IconOf(m.Get(0, 2)), m.IconOf(m.Get(0, 3)), m.IconOf(m.Get(0, 5)), m.IconOf(a), m.IconOf(m.FindCell("F"))};
    EXPECT_EQ(std::vector<int>(std::begin(icons), std::end(icons)),
              (std::vector<int>{kIconTeeLink, kIconVertLink, kIconRightLink, kIconInService, kIconSummaryInService}));
    EXPECT_EQ(m.Get(0, 2)->icon, kIconTeeLink);
}

TEST(CMatrix, CollapseRemovesEveryShownDescendantAndClosesTheGap) {
    TreeMatrix m({{"A", {"B", "C"}}, {"B", {"D", "E"}}, {"C", {"F"}}, {"E", {"G"}}});
    CMatrixCell* a = m.AddRoot("A");
    m.AddRoot("Z");
    ASSERT_TRUE(m.ExpandCell(a, false));
    ASSERT_TRUE(m.ExpandCell(m.FindCell("B"), false));
    ASSERT_TRUE(m.ExpandCell(m.FindCell("E"), false));
    ASSERT_TRUE(m.ExpandCell(m.FindCell("C"), false));
    ASSERT_EQ(Picture(m), (Lines{"", "A", "TB", "|TD", "|LE", "|.LG", "LC", ".LF", "", "Z"}));

    m.CollapseCell(m.FindCell("B"));
    EXPECT_EQ(Picture(m), (Lines{"", "A", "TB", "LC", ".LF", "", "Z"}));
    EXPECT_FALSE(m.FindCell("B")->expanded);
    EXPECT_EQ(m.FindCell("G"), nullptr);

    m.CollapseCell(a);
    EXPECT_EQ(Picture(m), (Lines{"", "A", "", "Z"}));
    EXPECT_FALSE(a->expanded);
    EXPECT_EQ(m.FindCell("F"), nullptr);
}

TEST(CMatrix, ExpandLimits) {
    std::map<std::string, std::vector<std::string>> tree;
    for (int i = 0; i < 8; ++i) tree["X" + std::to_string(i)] = {"X" + std::to_string(i + 1)};
    for (int n : {29, 30}) {
        std::vector<std::string> kids;
        for (int i = 0; i < n; ++i) kids.push_back("k" + std::to_string(i));
        tree["wide" + std::to_string(n)] = kids;
    }
    TreeMatrix m(tree);

    // A chain inside one group: the last column of the group cannot expand.
    CMatrixCell* x = m.AddRoot("X0");
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(m.ExpandCell(x, false)) << i;
        x = m.Get(i + 1, x->row + 1);
        ASSERT_NE(x, nullptr);
    }
    EXPECT_EQ(x->text, "X7");
    EXPECT_EQ(x->column, 7);
    EXPECT_FALSE(m.ExpandCell(x, false));
    EXPECT_FALSE(x->expanded);

    // Rows: 29 children below row 1 fit, 30 would pass the last row.
    struct Case { const char* tag; bool fits; } cases[] = {{"wide29", true}, {"wide30", false}};
    for (const auto& c : cases) {
        TreeMatrix fresh(tree);
        CMatrixCell* root = fresh.AddRoot(c.tag);
        ASSERT_EQ(root->row, 1);
        EXPECT_EQ(fresh.ExpandCell(root, false), c.fits) << c.tag;
        EXPECT_EQ(root->expanded, c.fits);
        EXPECT_EQ(fresh.OccupiedExtent(0, 0), c.fits ? 31 : 2) << c.tag;
    }

    // No children: success, nothing drawn, still collapsed.
    CMatrixCell* leaf = m.AddRoot("leaf");
    EXPECT_TRUE(m.ExpandCell(leaf, false));
    EXPECT_FALSE(leaf->expanded);
    EXPECT_TRUE(m.GroupRowFree(leaf->column, leaf->row + 1));
}

TEST(CMatrix, MoveRowsMovesWholeGroupRowsAndUpdatesPositions) {
    CMatrix m;
    m.Create(10, 16, 1, 8);
    m.AddCell("a", 0, 0);
    m.AddCell("b", 3, 1);
    m.AddCell("other", 8, 1);
    m.MoveRows(5, 0, 5, 2);
    EXPECT_EQ(m.Get(0, 0), nullptr);
    EXPECT_EQ(m.Get(3, 1), nullptr);
    ASSERT_NE(m.Get(0, 5), nullptr);
    EXPECT_EQ(m.Get(0, 5)->text, "a");
    EXPECT_EQ(m.Get(3, 6)->row, 6);
    EXPECT_EQ(m.Get(3, 6)->column, 3);
    EXPECT_EQ(m.Get(8, 1)->text, "other");

    // Overlapping ranges and rows pushed past the grid.
    m.MoveRows(0, 5, 4, 2);
    EXPECT_EQ(m.Get(0, 4)->text, "a");
    EXPECT_EQ(m.Get(3, 5)->text, "b");
    EXPECT_EQ(m.Get(3, 6), nullptr);
    m.MoveRows(0, 4, 9, 2);
    EXPECT_EQ(m.Get(0, 9)->text, "a");
    EXPECT_EQ(m.FindCell("b"), nullptr);
    EXPECT_EQ(m.OccupiedExtent(0, 0), 10);
    EXPECT_EQ(m.OccupiedExtent(0, 9), 1);
    m.ClearGroupRow(7, 9);
    EXPECT_EQ(m.OccupiedExtent(0, 0), 0);
}

TEST(CMatrix, ParentRootAndTreeHeight) {
    TreeMatrix m({{"A", {"B", "C"}}, {"B", {"D", "E"}}, {"C", {"F"}}});
    CMatrixCell* a = m.AddRoot("A");
    CMatrixCell* z = m.AddRoot("Z");
    m.ExpandCell(a, false);
    m.ExpandCell(m.FindCell("B"), false);
    m.ExpandCell(m.FindCell("C"), false);
    struct Case { const char* cell; const char* parent; } cases[] = {
        {"A", nullptr}, {"B", "A"}, {"C", "A"}, {"D", "B"}, {"E", "B"}, {"F", "C"}, {"Z", nullptr}};
    for (const auto& c : cases) {
        CMatrixCell* cell = m.FindCell(c.cell);
        CMatrixCell* parent = m.Parent(cell);
        EXPECT_EQ(parent ? parent->text : std::string("(none)"), c.parent ? c.parent : "(none)") << c.cell;
        EXPECT_EQ(m.Root(cell), std::string(c.cell) == "Z" ? z : a) << c.cell;
    }
    EXPECT_EQ(m.TreeHeight(a), 5);
    EXPECT_EQ(m.TreeHeight(m.FindCell("B")), 2);
    EXPECT_EQ(m.TreeHeight(z), 0);
    m.CollapseCell(m.FindCell("C"));
    EXPECT_EQ(m.TreeHeight(a), 4);
}

TEST(CMatrix, NavigateMovesBetweenGroupsAndRowsAndStopsAtTheEdges) {
    CMatrix m;
    m.Create(32, 32, 3, 8);
    for (CellPos p : {CellPos{0, 1}, CellPos{0, 4}, CellPos{8, 2}, CellPos{8, 7}, CellPos{24, 5}}) m.AddCell("r", p.column, p.row);
    struct Case { CellPos from; NavKey key; CellPos to; } cases[] = {
        {{0, 1}, NavKey::Left, {0, 1}},    // no group to the left
        {{24, 5}, NavKey::Right, {24, 5}}, // no group to the right
        {{0, 1}, NavKey::Right, {8, 2}},   // only a cell below
        {{0, 4}, NavKey::Right, {8, 2}},   // above strictly closer
        {{24, 5}, NavKey::Left, {8, 7}},   // over the empty group; a tie goes below
        {{8, 2}, NavKey::Right, {24, 5}},  // over the empty group
        {{8, 7}, NavKey::Left, {0, 4}},    // only a cell above
        {{0, 1}, NavKey::Down, {0, 4}},
        {{0, 4}, NavKey::Down, {0, 4}},    // last occupied row
        {{0, 4}, NavKey::Up, {0, 1}},
        {{0, 1}, NavKey::Up, {0, 1}},
        {{0, 31}, NavKey::Down, {0, 31}},  // last row of the grid
    };
    for (const auto& c : cases) {
        CellPos to = m.Navigate(c.from, c.key);
        EXPECT_EQ(to, c.to) << c.from.column << "," << c.from.row << " key " << static_cast<int>(c.key);
    }
}

TEST(CMatrix, NearestResourcePrefersTheFocusMarkThenTheClosestInGroupOrder) {
    CMatrix m;
    m.Create(32, 32, 3, 8);
    EXPECT_EQ(m.NearestResource({0, 0}), nullptr);
    m.AddCell(kTeeLink, 0, 2);
    CMatrixCell* a = m.AddCell("a", 0, 1);
    CMatrixCell* b = m.AddCell("b", 0, 5);
    CMatrixCell* c = m.AddCell("c", 8, 1);
    CMatrixCell* d = m.AddCell("d", 16, 3);
    EXPECT_EQ(m.NearestResource({0, 3}), a);   // tie: first in row order
    EXPECT_EQ(m.NearestResource({0, 4}), b);
    EXPECT_EQ(m.NearestResource({8, 3}), c);   // groups count as rows further on
    EXPECT_EQ(m.NearestResource({20, 30}), d);
    EXPECT_EQ(m.NearestResource({0, 2}), a);   // a link is no resource
    b->focusMark = true;
    EXPECT_EQ(m.NearestResource({16, 3}), b);  // a marked cell wins at once
    d->focusMark = true;
    EXPECT_EQ(m.NearestResource({16, 3}), d);  // the position's own marked cell stays
}

TEST(CMatrix, SearchesGoInRowOrder) {
    CMatrix m;
    m.Create(32, 32, 3, 8);
    m.AddCell("r2", 8, 1);
    m.AddCell("r1", 0, 1)->selected = true;
    m.AddCell("child", 1, 2)->selected = true;
    m.AddCell(kTeeLink, 0, 2)->selected = true;
    m.AddCell("r3", 0, 4);
    EXPECT_EQ(m.NthRoot(0)->text, "r1");
    EXPECT_EQ(m.NthRoot(1)->text, "r2");
    EXPECT_EQ(m.NthRoot(2)->text, "r3");
    EXPECT_EQ(m.NthRoot(3), nullptr);
    EXPECT_EQ(m.FindRoot("child"), nullptr);
    EXPECT_EQ(m.FindCell("child")->row, 2);
    EXPECT_EQ(m.NthSelected(1)->text, "child");
    EXPECT_EQ(m.NthSelected(2), nullptr);
}

}  // namespace
}  // namespace hierman
