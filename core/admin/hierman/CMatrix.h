// The hierarchy console's layout engine: a grid of cells divided into column
// groups, in which each hierarchy root owns a block of rows and trees are drawn
// with link cells. The matrix knows nothing of the database; its owner decides,
// through four virtual operations, where a root goes, which icon a resource
// shows, how many children it has and how they are placed.
#pragma once

#include "CMatrixCell.h"

#include <memory>
#include <string>
#include <vector>

namespace hierman {

struct CellPos {
    int column = 0;
    int row = 0;
    bool operator==(const CellPos&) const = default;
};

enum class NavKey { Left, Up, Right, Down };

class CMatrix {
public:
    CMatrix() = default;
    CMatrix(const CMatrix&) = delete;
    CMatrix& operator=(const CMatrix&) = delete;
    virtual ~CMatrix() = default;

    // Columns are raised to a multiple of the group width; all cells free.
    // False (and no storage) for a size below 1.
    bool Create(int rows, int columns, int blockHeight, int groupWidth);
    void Destroy();

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int GroupWidth() const { return groupWidth_; }
    int BlockHeight() const { return blockHeight_; }
    bool HasStorage() const { return !cells_.empty(); }
    int GroupStart(int column) const { return column - column % groupWidth_; }

    bool InGrid(int column, int row) const;
    // Null outside the grid, on a free cell and without storage.
    CMatrixCell* Get(int column, int row) const;
    // Puts cell at the place (deleting what was there) and sets its position;
    // a null cell frees the place. Ignored outside the grid.
    void Set(int column, int row, std::unique_ptr<CMatrixCell> cell);
    // Removes the cell from the grid and hands it over.
    std::unique_ptr<CMatrixCell> Take(int column, int row);

    bool GroupRowFree(int column, int row) const;
    bool BlockFree(int height, int column, int row) const;
    // Rows from `row` down to the last occupied row of the column's group
    // (free rows between occupied ones count); 0 when none.
    int OccupiedExtent(int column, int row) const;
    // Moves `count` whole group rows of the column's group; cells moved past
    // the grid are deleted.
    void MoveRows(int column, int fromRow, int toRow, int count);
    void ClearGroupRow(int column, int row);

    // A new resource cell where FindFreeBlock says; null when there is no room.
    CMatrixCell* AddRoot(const std::string& tag);
    // A new resource cell at the place; null outside the grid.
    CMatrixCell* AddCell(const std::string& tag, int column, int row);

    // Searches in row order (rows outer, columns inner); n counts from 0.
    CMatrixCell* NthRoot(int n) const;
    CMatrixCell* FindRoot(const std::string& tag) const;
    CMatrixCell* FindCell(const std::string& tag) const;
    CMatrixCell* NthSelected(int n) const;
    bool IsRoot(const CMatrixCell* cell) const;

    // The resource for the focus near a position; null when there is none.
    CMatrixCell* NearestResource(CellPos at) const;
    // Where a key moves the focus from `at`; `at` when nowhere.
    CellPos Navigate(CellPos at, NavKey key) const;

    int IconOf(CMatrixCell* cell);
    CMatrixCell* Root(CMatrixCell* cell) const;
    CMatrixCell* Parent(CMatrixCell* cell) const;
    // Rows below the root used by its shown subtree (0 for a lone root).
    int TreeHeight(const CMatrixCell* root) const;
    // Shows the cell's children one level deep; false when they do not fit.
    bool ExpandCell(CMatrixCell* cell, bool selected);
    // Removes the rows of every shown descendant and closes the gap.
    void CollapseCell(CMatrixCell* cell);

    // The two block searches of the consoles: the view's prefers the block
    // nearest the top left and spreads roots over the groups; the bar's takes
    // the first free block, rows from the top, groups from the left.
    bool FindNearestFreeBlock(int* column, int* row) const;
    bool FindFirstFreeBlock(int* column, int* row) const;

protected:
    // The owner's operations; the defaults find nothing and place nothing.
    virtual bool FindFreeBlock(int* column, int* row);
    virtual int ChooseIcon(const std::string& tag, bool expanded);
    virtual int CountChildren(const std::string& tag);
    virtual void PlaceChildren(const std::string& tag, int count, int column, int row, bool selected);

private:
    std::unique_ptr<CMatrixCell>& Slot(int column, int row) { return cells_[row * columns_ + column]; }
    const std::unique_ptr<CMatrixCell>& Slot(int column, int row) const { return cells_[row * columns_ + column]; }
    void Place(int column, int row, std::unique_ptr<CMatrixCell> cell);
    int LastRowOf(const CMatrixCell* cell) const;
    CMatrixCell* FirstResourceFrom(int groupStart, int row) const;
    CMatrixCell* LastResourceAbove(int groupStart, int row) const;

    int rows_ = 0;
    int columns_ = 0;
    int blockHeight_ = 1;
    int groupWidth_ = 1;
    std::vector<std::unique_ptr<CMatrixCell>> cells_;  // row by row
};

}  // namespace hierman
