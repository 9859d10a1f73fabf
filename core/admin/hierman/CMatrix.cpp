#include "CMatrix.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace hierman {

bool CMatrix::Create(int rows, int columns, int blockHeight, int groupWidth) {
    Destroy();
    if (rows < 1 || columns < 1 || blockHeight < 1 || groupWidth < 1) return false;
    rows_ = rows;
    groupWidth_ = groupWidth;
    blockHeight_ = blockHeight;
    columns_ = (columns + groupWidth - 1) / groupWidth * groupWidth;
    cells_.resize(static_cast<std::size_t>(rows_) * columns_);
    return true;
}

void CMatrix::Destroy() {
    cells_.clear();
    cells_.shrink_to_fit();
    rows_ = 0;
    columns_ = 0;
}

bool CMatrix::InGrid(int column, int row) const {
    return HasStorage() && column >= 0 && row >= 0 && column < columns_ && row < rows_;
}

CMatrixCell* CMatrix::Get(int column, int row) const {
    return InGrid(column, row) ? Slot(column, row).get() : nullptr;
}

void CMatrix::Place(int column, int row, std::unique_ptr<CMatrixCell> cell) {
    if (cell) {
        cell->matrix = this;
        cell->column = column;
        cell->row = row;
    }
    Slot(column, row) = std::move(cell);
}

void CMatrix::Set(int column, int row, std::unique_ptr<CMatrixCell> cell) {
    if (InGrid(column, row)) Place(column, row, std::move(cell));
}

std::unique_ptr<CMatrixCell> CMatrix::Take(int column, int row) {
    if (!InGrid(column, row)) return nullptr;
    return std::move(Slot(column, row));
}

bool CMatrix::GroupRowFree(int column, int row) const {
    if (!InGrid(column, row)) return false;
    int start = GroupStart(column);
    for (int c = start; c < start + groupWidth_; ++c)
        if (Slot(c, row)) return false;
    return true;
}

bool CMatrix::BlockFree(int height, int column, int row) const {
    for (int r = row; r < row + height; ++r)
        if (!GroupRowFree(column, r)) return false;
    return true;
}

int CMatrix::OccupiedExtent(int column, int row) const {
    if (!HasStorage() || column < 0 || column >= columns_) return 0;
    for (int last = rows_ - 1; last >= row && last >= 0; --last)
        if (!GroupRowFree(column, last)) return last - row + 1;
    return 0;
}

void CMatrix::MoveRows(int column, int fromRow, int toRow, int count) {
    if (!HasStorage() || column < 0 || column >= columns_ || count <= 0 || fromRow == toRow) return;
    int start = GroupStart(column);
    std::vector<std::unique_ptr<CMatrixCell>> moving(static_cast<std::size_t>(count) * groupWidth_);
    for (int i = 0; i < count; ++i)
        for (int d = 0; d < groupWidth_; ++d)
            if (InGrid(start + d, fromRow + i)) moving[i * groupWidth_ + d] = Take(start + d, fromRow + i);
    for (int i = 0; i < count; ++i)
        for (int d = 0; d < groupWidth_; ++d)
            if (InGrid(start + d, toRow + i)) Place(start + d, toRow + i, std::move(moving[i * groupWidth_ + d]));
}

void CMatrix::ClearGroupRow(int column, int row) {
    if (!InGrid(column, row)) return;
    int start = GroupStart(column);
    for (int c = start; c < start + groupWidth_; ++c) Slot(c, row).reset();
}

CMatrixCell* CMatrix::AddRoot(const std::string& tag) {
    int column = 0, row = 0;
    if (!HasStorage() || !FindFreeBlock(&column, &row)) return nullptr;
    return AddCell(tag, column, row);
}

CMatrixCell* CMatrix::AddCell(const std::string& tag, int column, int row) {
    if (!InGrid(column, row)) return nullptr;
    Place(column, row, std::make_unique<CMatrixCell>(this, tag, column, row));
    return Slot(column, row).get();
}

bool CMatrix::IsRoot(const CMatrixCell* cell) const {
    return cell && cell->IsResource() && cell->column % groupWidth_ == 0;
}

CMatrixCell* CMatrix::NthRoot(int n) const {
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; c += groupWidth_) {
            CMatrixCell* cell = Slot(c, r).get();
            if (IsRoot(cell) && n-- == 0) return cell;
        }
    return nullptr;
}

CMatrixCell* CMatrix::FindRoot(const std::string& tag) const {
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; c += groupWidth_) {
            CMatrixCell* cell = Slot(c, r).get();
            if (IsRoot(cell) && cell->text == tag) return cell;
        }
    return nullptr;
}

CMatrixCell* CMatrix::FindCell(const std::string& tag) const {
    for (const auto& cell : cells_)
        if (cell && cell->IsResource() && cell->text == tag) return cell.get();
    return nullptr;
}

CMatrixCell* CMatrix::NthSelected(int n) const {
    for (const auto& cell : cells_)
        if (cell && cell->IsResource() && cell->selected && n-- == 0) return cell.get();
    return nullptr;
}

CMatrixCell* CMatrix::NearestResource(CellPos at) const {
    CMatrixCell* here = Get(at.column, at.row);
    if (here && here->IsResource() && here->focusMark) return here;
    auto linear = [this](int column, int row) { return static_cast<long>(rows_) * (column / groupWidth_) + row; };
    long target = linear(at.column, at.row);
    CMatrixCell* best = nullptr;
    long bestDistance = std::numeric_limits<long>::max();
    for (const auto& cell : cells_) {
        if (!cell || !cell->IsResource()) continue;
        if (cell->focusMark) return cell.get();
        long distance = std::labs(target - linear(cell->column, cell->row));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = cell.get();
        }
    }
    return best;
}

CMatrixCell* CMatrix::FirstResourceFrom(int groupStart, int row) const {
    for (int r = row < 0 ? 0 : row; r < rows_; ++r)
        for (int c = groupStart; c < groupStart + groupWidth_; ++c) {
            CMatrixCell* cell = Slot(c, r).get();
            if (cell && cell->IsResource()) return cell;
        }
    return nullptr;
}

CMatrixCell* CMatrix::LastResourceAbove(int groupStart, int row) const {
    CMatrixCell* last = nullptr;
    for (int r = 0; r < row && r < rows_; ++r)
        for (int c = groupStart; c < groupStart + groupWidth_; ++c) {
            CMatrixCell* cell = Slot(c, r).get();
            if (cell && cell->IsResource()) last = cell;
        }
    return last;
}

CellPos CMatrix::Navigate(CellPos at, NavKey key) const {
    if (!InGrid(at.column, at.row)) return at;
    int group = GroupStart(at.column);
    int row = at.row;
    if (key == NavKey::Left || key == NavKey::Right) {
        int step = key == NavKey::Left ? -groupWidth_ : groupWidth_;
        if (group + step < 0 || group + step >= columns_) return at;
        group += step;
        while (OccupiedExtent(group, 0) == 0 && group + step >= 0 && group + step < columns_) group += step;
    } else if (key == NavKey::Down) {
        if (!InGrid(at.column, row + 1)) return at;
        ++row;
    }
    CMatrixCell* below = key == NavKey::Up ? nullptr : FirstResourceFrom(group, row);
    CMatrixCell* above = key == NavKey::Down ? nullptr : LastResourceAbove(group, row);
    CMatrixCell* chosen = nullptr;
    if (below && above)
        chosen = (row - above->row) < (below->row - row) ? above : below;
    else
        chosen = below ? below : above;
    return chosen ? CellPos{chosen->column, chosen->row} : at;
}

int CMatrix::IconOf(CMatrixCell* cell) {
    if (!cell) return 0;
    if (cell->text == kTeeLink)
        cell->icon = kIconTeeLink;
    else if (cell->text == kRightLink)
        cell->icon = kIconRightLink;
    else if (cell->text == kVertLink)
        cell->icon = kIconVertLink;
    else
        cell->icon = ChooseIcon(cell->text, cell->expanded);
    return cell->icon;
}

CMatrixCell* CMatrix::Parent(CMatrixCell* cell) const {
    if (!cell) return nullptr;
    CMatrixCell* left = Get(cell->column - 1, cell->row);
    if (!left || !left->IsLink()) return nullptr;
    int column = cell->column - 1;
    int row = cell->row;
    while (Get(column, row) && Get(column, row)->IsLink()) --row;
    CMatrixCell* parent = Get(column, row);
    return parent && parent->IsResource() ? parent : nullptr;
}

CMatrixCell* CMatrix::Root(CMatrixCell* cell) const {
    for (CMatrixCell* parent = Parent(cell); parent; parent = Parent(cell)) cell = parent;
    return cell;
}

int CMatrix::LastRowOf(const CMatrixCell* cell) const {
    int last = cell->row;
    if (!cell->expanded) return last;
    int row = cell->row + 1;
    for (CMatrixCell* link = Get(cell->column, row); link && link->IsLink(); link = Get(cell->column, row)) {
        CMatrixCell* child = Get(cell->column + 1, row);
        last = child && child->IsResource() ? LastRowOf(child) : row;
        row = last + 1;
    }
    return last;
}

int CMatrix::TreeHeight(const CMatrixCell* root) const {
    return root ? LastRowOf(root) - root->row : 0;
}

bool CMatrix::ExpandCell(CMatrixCell* cell, bool selected) {
    if (!cell || !cell->IsResource() || cell->matrix != this) return false;
    const int c = cell->column;
    const int r = cell->row;
    const std::string tag = cell->text;
    const int n = CountChildren(tag);
    if (n <= 0) return true;
    const int below = OccupiedExtent(c, r + 1);
    if (!InGrid(c, below + r + n + 1) || (c + 1) % groupWidth_ == 0) return false;
    const bool nextRowWasUsed = !GroupRowFree(c, r + 1);
    if (below > 0) MoveRows(c, r + 1, r + 1 + n, below);
    if (nextRowWasUsed) {
        for (int i = r + 1; i <= r + n; ++i)
            for (int d = GroupStart(c); d < c; ++d) {
                CMatrixCell* above = Get(d, i - 1);
                if (above && above->IsLink() && above->text != kRightLink) AddCell(kVertLink, d, i);
            }
    }
    PlaceChildren(tag, n, c + 1, r + 1, selected);
    for (int i = r + 1; i < r + n; ++i) AddCell(kTeeLink, c, i);
    AddCell(kRightLink, c, r + n);
    cell->expanded = true;
    // A summary icon becomes the plain one: the next IconOf chooses it.
    cell->icon = 0;
    return true;
}

void CMatrix::CollapseCell(CMatrixCell* cell) {
    if (!cell || cell->matrix != this) return;
    const int c = cell->column;
    int i = cell->row + 1;
    for (CMatrixCell* link = Get(c, i); link && link->IsLink(); link = Get(c, i)) {
        CMatrixCell* child = Get(c + 1, i);
        if (child && child->IsResource()) {
            CollapseCell(child);
            ClearGroupRow(c, i);
            MoveRows(c, i + 1, i, OccupiedExtent(c, i + 1));
        } else {
            ++i;
        }
    }
    cell->expanded = false;
    cell->icon = 0;
}

bool CMatrix::FindNearestFreeBlock(int* column, int* row) const {
    if (!HasStorage()) return false;
    const int start = std::max(rows_ / blockHeight_, columns_ / blockHeight_);
    int best = start;
    for (int group = 0; group < columns_; group += groupWidth_) {
        for (int r = 0; r <= rows_ - blockHeight_; ++r) {
            int score = std::max(group / blockHeight_, r / blockHeight_);
            if (score > best) break;
            if (BlockFree(blockHeight_, group, r)) {
                best = score;
                *column = group;
                *row = r;
                break;
            }
        }
    }
    return best != start;
}

bool CMatrix::FindFirstFreeBlock(int* column, int* row) const {
    if (!HasStorage()) return false;
    for (int r = 0; r <= rows_ - blockHeight_; ++r)
        for (int group = 0; group < columns_; group += groupWidth_)
            if (BlockFree(blockHeight_, group, r)) {
                *column = group;
                *row = r;
                return true;
            }
    return false;
}

bool CMatrix::FindFreeBlock(int*, int*) { return false; }
int CMatrix::ChooseIcon(const std::string&, bool) { return 0; }
int CMatrix::CountChildren(const std::string&) { return 0; }
void CMatrix::PlaceChildren(const std::string&, int, int, int, bool) {}

}  // namespace hierman
