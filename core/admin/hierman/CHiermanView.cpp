#include "CHiermanView.h"

#include <algorithm>
#include <vector>

namespace hierman {

namespace {

constexpr const char* kSourceName = "hiermanview";
// The database's "nothing matched" error: an empty answer, not a failure.
constexpr int kNothingFound = 7;
constexpr int kRootScanLimit = 100;
constexpr int kHelpNoCell = 0x20081;

// One status-bar text for the length of a scope.
class StatusText {
public:
    StatusText(const ViewServices& s, const std::string& text) : s_(s), previous_(s.status.Push(text.c_str(), s.bar)) {}
    ~StatusText() { s_.status.Pop(previous_, s_.bar); }
    StatusText(const StatusText&) = delete;
    StatusText& operator=(const StatusText&) = delete;

private:
    const ViewServices& s_;
    const char* previous_;
};

std::string Field(const std::string& record, std::size_t n) {
    std::vector<std::string> fields = panelaid::SplitRecord(record);
    return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string();
}

}  // namespace

int IconSizeFor(int sizeIndex) {
    return sizeIndex == 1 ? 24 : sizeIndex == 2 ? 16 : 32;
}

int MachineState(panelaid::ConsoleDatabase& db, const std::string& system) {
    if (system == db.LocalName()) return kMachineAlive;
    panelaid::Records paths;
    bool alive = false;
    if (db.NetworkList(nullptr, system.c_str(), &paths))
        alive = std::any_of(paths.begin(), paths.end(), [](const std::string& r) { return Field(r, 7) == "ALIVE"; });
    db.ClearError();
    return alive ? kMachineAlive : kMachineDead;
}

CHiermanView::CHiermanView(ViewServices services, ViewSurface& surface)
    : services_(services), surface_(surface), localName_(services.db.LocalName()) {
    int zoom = 0;
    if (services_.settings.RetrieveZoom(kConsoleTitle, &zoom) && (zoom == 1 || zoom == 2)) sizeIndex_ = zoom;
}

template <typename Step>
bool CHiermanView::Advised(const char* condition, int line, Step step) {
    bool ok = step();
    if (ok) return true;  // nothing to clear
    while (!ok && services_.advisor.Advise(condition, kSourceName, line)) ok = step();
    services_.db.ClearError();
    return ok;
}

void CHiermanView::NoteReadFailure() {
    const int error = services_.db.ErrorNumber();
    if (error != 0 && error != kNothingFound) readFailed_ = true;
    services_.db.ClearError();
}

void CHiermanView::CheckNoPendingError() {
    if (services_.db.ErrorNumber() == 0) return;  // the usual case, at every tick
    Advised("Qdb_errno == QDB_OK", __LINE__, [this] { return services_.db.ErrorNumber() == 0; });
}

void CHiermanView::UpdateView(bool onlyIfChanged) {
    // The usual tick: the local system, shown and read before, whose stamp
    // has not moved. Nothing else is read or compared; a pending error waits
    // for the next update that does more.
    if (onlyIfChanged && settled_) {
        const panelaid::DbStamp now = services_.db.Stamp(system_.c_str());
        if (now == stamp_) return;
        // A failed read is no pending error; the full update reads again.
        if (now == panelaid::DbStamp{}) services_.db.ClearError();
    }
    settled_ = false;
    CheckNoPendingError();
    const std::string& title = surface_.DocumentTitle();
    if (system_.empty() || system_ != title) {
        system_ = title;
        showsLocal_ = system_ == localName_;
        Populate();
        return;
    }
    // The local system always answers; only another one's paths are read.
    if (!showsLocal_ && MachineState(services_.db, system_) == kMachineDead) {
        surface_.CloseDocument();
        return;
    }
    const panelaid::DbStamp now = services_.db.Stamp(system_.c_str());
    if (now == panelaid::DbStamp{}) services_.db.ClearError();  // a failed read gives the zero stamp
    if (!onlyIfChanged || now != stamp_) {
        stamp_ = now;
        Refresh();
    }
    // A stamp that failed to read, or a refresh to try again, keeps the next
    // tick on the full update.
    settled_ = showsLocal_ && stamp_ != panelaid::DbStamp{};
}

void CHiermanView::Populate() {
    Destroy();
    Create(kGridRows, kGridColumns, kRootBlockHeight, kViewGroupWidth);
    focus_ = {0, 0};
    stamp_ = {};
    {
        StatusText text(services_, "Populating window with root resources from " + system_);
        Advised("GetRoots() == TRUE", __LINE__, [this] { return GetRoots(); });
        SetFocusCell();
    }
    surface_.RepaintAll();
}

bool CHiermanView::GetRoots() {
    panelaid::Records roots;
    panelaid::InstanceQuery query;
    query.start = " ";
    if (!services_.db.InstanceList(system_.c_str(), query, &roots)) {
        // No roots is no failure; a real error stays for the advisory box.
        if (services_.db.ErrorNumber() != kNothingFound) return false;
        services_.db.ClearError();
        return true;
    }
    bool all = true;
    for (const std::string& record : roots) {
        const std::string tag = Field(record, 4);
        // A retry after a partial failure must not add the same root twice.
        if (!FindRoot(tag) && !AddRoot(tag)) all = false;
    }
    return all;
}

void CHiermanView::Refresh() {
    StatusText text(services_, "Updating view of machine " + system_);
    AddNewRoots();
    RemoveVanishedRoots();
    RecheckRoots();
    services_.db.Sync(system_.c_str());
    services_.db.ClearError();
}

void CHiermanView::AddNewRoots() {
    panelaid::Records roots;
    panelaid::InstanceQuery query;
    query.start = " ";
    if (!services_.db.InstanceList(system_.c_str(), query, &roots)) {
        // A failed read is tried again at the next tick.
        if (services_.db.ErrorNumber() != kNothingFound) stamp_ = {};
        services_.db.ClearError();
        return;
    }
    for (const std::string& record : roots) {
        const std::string tag = Field(record, 4);
        if (FindRoot(tag)) continue;
        CMatrixCell* added = nullptr;
        Advised("(node = CMatrix::AddRoot(tag)) != NULL", __LINE__, [&] { return (added = AddRoot(tag)) != nullptr; });
        if (!added) continue;
        MoveFocusTo({added->column, added->row});
        surface_.RepaintAll();
    }
}

void CHiermanView::RemoveVanishedRoots() {
    std::vector<std::string> tags;
    for (int n = 0; n < kRootScanLimit; ++n) {
        CMatrixCell* root = NthRoot(n);
        if (!root) break;
        tags.push_back(root->text);
    }
    for (const std::string& tag : tags) {
        panelaid::Records found;
        panelaid::InstanceQuery query;
        query.start = " ";
        query.tag = tag.c_str();
        const bool present = services_.db.InstanceList(system_.c_str(), query, &found);
        const int error = services_.db.ErrorNumber();
        services_.db.ClearError();
        if (present) continue;
        // Only an answer of "no such root" removes it; a failed read keeps
        // the picture and is tried again at the next tick.
        if (error != kNothingFound) {
            stamp_ = {};
            continue;
        }
        CMatrixCell* root = FindRoot(tag);
        if (!root) continue;
        const std::string focusTag = RememberFocusTag();
        CollapseCell(root);
        std::unique_ptr<CMatrixCell> gone = Take(root->column, root->row);
        RestoreFocus(focusTag);
        surface_.RepaintAll();
    }
}

void CHiermanView::RecheckRoots() {
    for (int n = 0;; ++n) {
        CMatrixCell* root = NthRoot(n);
        if (!root) break;
        // A failed read changes nothing in the picture and is tried again at
        // the next tick.
        readFailed_ = false;
        const int icon = ChooseIcon(root->text, root->expanded);
        if (readFailed_) {
            stamp_ = {};
            continue;
        }
        if (icon != root->icon) {
            root->icon = icon;
            Repaint(root);
        }
        if (!root->expanded) continue;
        // Counted per root: one stale tree does not collapse the others.
        int changes = 0, mismatches = 0;
        CheckSubtree(root->column, root->row, &changes, &mismatches);
        if (readFailed_) stamp_ = {};
        if (mismatches == 0 || readFailed_) continue;
        const std::string focusTag = RememberFocusTag();
        CollapseCell(root);
        RestoreFocus(focusTag);
        surface_.RepaintAll();
    }
}

int CHiermanView::CheckSubtree(int column, int row, int* changes, int* mismatches) {
    CMatrixCell* cell = Get(column, row);
    if (!cell) return row;
    panelaid::Records children;
    if (!services_.db.DependencyList(system_.c_str(), cell->text.c_str(), panelaid::Relation::Children, &children)) {
        NoteReadFailure();
        ++*mismatches;
        return row;
    }
    for (const std::string& record : children) {
        ++row;
        CMatrixCell* link = Get(column, row);
        CMatrixCell* child = Get(column + 1, row);
        const std::string tag = Field(record, 2);
        if (!link || !(link->text == kTeeLink || link->text == kRightLink) || !child || child->text != tag) {
            ++*mismatches;
            continue;
        }
        const int icon = ChooseIcon(tag, child->expanded);
        if (icon != child->icon) {
            child->icon = icon;
            ++*changes;
            Repaint(child);
        }
        if (child->expanded) row = CheckSubtree(column + 1, row, changes, mismatches);
    }
    CMatrixCell* after = Get(column, row + 1);
    if (after && after->IsLink()) ++*mismatches;
    return row;
}

int CHiermanView::StateIcon(const std::string& system, const std::string& tag) {
    panelaid::Records records;
    panelaid::InstanceQuery query;
    query.tag = tag.c_str();
    const bool found = services_.db.InstanceList(system.c_str(), query, &records);
    NoteReadFailure();
    if (!found || records.empty()) return kIconOtherState;
    const std::string state = Field(records.front(), 7);
    if (state == "ISP" || state == "ISU") return kIconInService;
    if (state == "OSU") return kIconOutOfService;
    return kIconOtherState;
}

int CHiermanView::InstanceStateIcon(const std::string& system, const std::string& tag) {
    return StateIcon(system, tag);
}

int CHiermanView::ChooseIcon(const std::string& tag, bool expanded) {
    const int icon = StateIcon(system_, tag);
    if (expanded || CountChildren(tag) == 0) return icon;
    if (icon == kIconInService) return kIconSummaryInService;
    if (icon == kIconOtherState) return kIconSummaryOtherState;
    panelaid::Records below;
    if (services_.db.DependencyList(system_.c_str(), tag.c_str(), panelaid::Relation::Descendants, &below)) {
        for (const std::string& record : below)
            if (StateIcon(system_, Field(record, 2)) == kIconOtherState) return kIconSummaryOtherState;
    }
    NoteReadFailure();
    return kIconSummaryOutOfService;
}

int CHiermanView::CountChildren(const std::string& tag) {
    panelaid::Records children;
    const bool found =
        services_.db.DependencyList(system_.c_str(), tag.c_str(), panelaid::Relation::Children, &children);
    NoteReadFailure();
    return found ? static_cast<int>(children.size()) : 0;
}

void CHiermanView::PlaceChildren(const std::string& tag, int count, int column, int row, bool selected) {
    panelaid::Records children;
    const bool found =
        services_.db.DependencyList(system_.c_str(), tag.c_str(), panelaid::Relation::Children, &children);
    services_.db.ClearError();
    if (!found) return;
    // Only the rows made room for: the list may have grown since it was counted.
    for (int i = 0; i < count && i < static_cast<int>(children.size()); ++i)
        if (CMatrixCell* child = AddCell(Field(children[i], 2), column, row + i)) child->selected = selected;
}

bool CHiermanView::FindFreeBlock(int* column, int* row) {
    if (!FindNearestFreeBlock(column, row)) return false;
    ++*row;  // the block's first row stays empty as a gap
    return true;
}

void CHiermanView::Repaint(CMatrixCell* cell) {
    if (cell) surface_.RepaintCell(cell->column, cell->row);
}

std::string CHiermanView::RememberFocusTag() const {
    CMatrixCell* cell = Get(focus_.column, focus_.row);
    return cell && cell->IsResource() ? cell->text : std::string();
}

void CHiermanView::RestoreFocus(const std::string& tag) {
    CMatrixCell* cell = tag.empty() ? nullptr : FindCell(tag);
    if (!cell) cell = NearestResource(focus_);
    if (cell) focus_ = {cell->column, cell->row};
    SetFocusCell();
}

void CHiermanView::SetFocusCell() {
    if (!HasStorage()) return;
    CMatrixCell* cell = Get(focus_.column, focus_.row);
    if (!cell || !cell->IsResource()) {
        focus_ = {0, 0};
        cell = NearestResource(focus_);
        if (!cell) return;
        focus_ = {cell->column, cell->row};
    }
    ClearFocusMarksBut(cell);
    if (!surface_.HasKeyboardFocus()) return;
    cell->focusMark = true;
    surface_.ScrollIntoView(focus_.column, focus_.row);
    Repaint(cell);
}

void CHiermanView::SetFocusMark() { SetFocusCell(); }

void CHiermanView::ClearFocusMark() { ClearFocusMarksBut(nullptr); }

void CHiermanView::ClearFocusMarksBut(const CMatrixCell* keep) {
    // Every other mark goes, so that NearestResource never prefers a stale one.
    for (int r = 0; r < Rows(); ++r)
        for (int c = 0; c < Columns(); ++c)
            if (CMatrixCell* cell = Get(c, r); cell && cell != keep && cell->focusMark) {
                cell->focusMark = false;
                Repaint(cell);
            }
}

void CHiermanView::MoveFocusTo(CellPos at) {
    ClearFocusMark();
    focus_ = at;
    SetFocusCell();
}

bool CHiermanView::ButtonDown(CellPos at) {
    CMatrixCell* cell = Get(at.column, at.row);
    if (!cell) return false;
    StatusText text(services_, "Responding to left button click");
    if (!cell->IsResource()) return false;
    const bool drag = IsRoot(cell);
    if (drag) dragTag_ = cell->text;
    cell->selected = !cell->selected;
    Repaint(cell);
    MoveFocusTo(at);
    return drag;
}

int CHiermanView::DragCursor(CellPos over, bool inClient, int quarter) const {
    if (!inClient || !InGrid(over.column, over.row) || !GroupRowFree(over.column, over.row)) return 5;
    return std::clamp(quarter, 1, 4);
}

DropResult CHiermanView::Drop(CellPos start, CellPos release, bool inClient) {
    if (start == release) return DropResult::Refused;
    CMatrixCell* root = Get(start.column, start.row);
    if (!IsRoot(root) || root->text != dragTag_) {
        panelaid::BoxRequest box;
        box.text = "The object you were moving was deleted.  Drag cancelled.";
        services_.boxes.Ask(box);
        return DropResult::Vanished;
    }
    if (!inClient || !InGrid(release.column, release.row) || !GroupRowFree(release.column, release.row))
        return DropResult::Refused;
    StatusText text(services_, "Responding to button release");
    int target = GroupStart(release.column);
    const int next = target + GroupWidth();
    if (release.column - target >= GroupWidth() / 2 && next < Columns() && !Get(next, release.row)) target = next;
    const int source = GroupStart(root->column);
    const int height = TreeHeight(root) + 1;
    const bool sameGroup = target == source;
    if (!sameGroup && !(InGrid(target, OccupiedExtent(target, 0) + height) && InGrid(target, release.row + height)))
        return DropResult::NoRoom;

    const int top = root->row;
    std::vector<std::unique_ptr<CMatrixCell>> tree(static_cast<std::size_t>(height) * GroupWidth());
    for (int i = 0; i < height; ++i)
        for (int d = 0; d < GroupWidth(); ++d) tree[i * GroupWidth() + d] = Take(source + d, top + i);
    MoveRows(source, top + height, top, OccupiedExtent(source, top + height));
    int releaseRow = release.row;
    if (sameGroup && releaseRow > top) releaseRow -= height;
    MoveRows(target, releaseRow + 1, releaseRow + 1 + height, OccupiedExtent(target, releaseRow + 1));
    for (int i = 0; i < height; ++i)
        for (int d = 0; d < GroupWidth(); ++d) Set(target + d, releaseRow + 1 + i, std::move(tree[i * GroupWidth() + d]));

    if (CMatrixCell* nearest = NearestResource(focus_)) focus_ = {nearest->column, nearest->row};
    surface_.RepaintAll();
    return DropResult::Moved;
}

void CHiermanView::DoubleClick(CellPos at) {
    CMatrixCell* cell = Get(at.column, at.row);
    if (!cell || !cell->IsResource()) return;
    StatusText text(services_, "Responding to double-click");
    const std::string focusTag = RememberFocusTag();
    if (cell->expanded) {
        CollapseCell(cell);
    } else if (!ExpandCell(cell, false)) {
        panelaid::BoxRequest box;
        box.text = "Can not expand " + cell->text + "\nNo room in matrix.";
        box.icon = panelaid::BoxIcon::Error;
        services_.boxes.Ask(box);
    }
    cell->selected = false;
    RestoreFocus(focusTag);
    surface_.RepaintAll();
}

void CHiermanView::KeyArrow(NavKey key) {
    if (!HasStorage()) return;
    const bool atEdge = (key == NavKey::Left && focus_.column <= 0) || (key == NavKey::Up && focus_.row <= 0) ||
                        (key == NavKey::Right && focus_.column >= Columns() - 1) ||
                        (key == NavKey::Down && focus_.row >= Rows() - 1);
    if (atEdge) return;
    MoveFocusTo(Navigate(focus_, key));
}

void CHiermanView::Zoom(int larger) {
    sizeIndex_ = std::clamp(sizeIndex_ - larger, 0, 2);
    surface_.IconSizeChanged(IconSize());
    surface_.RepaintAll();
    services_.settings.SaveZoom(kConsoleTitle, sizeIndex_);
}

void CHiermanView::Letter(char c) {
    std::vector<CMatrixCell*> roots;
    for (int n = 0; CMatrixCell* root = NthRoot(n); ++n) roots.push_back(root);
    if (roots.empty()) return;
    CMatrixCell* current = Root(Get(focus_.column, focus_.row));
    const auto here = std::find(roots.begin(), roots.end(), current);
    const std::size_t start = here == roots.end() ? 0 : static_cast<std::size_t>(here - roots.begin()) + 1;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        CMatrixCell* root = roots[(start + i) % roots.size()];
        if (!root->text.empty() && root->text[0] == c) {
            MoveFocusTo({root->column, root->row});
            return;
        }
    }
}

void CHiermanView::RunTreeCommand(TreeCommand command) {
    while (CMatrixCell* cell = NthSelected(0)) {
        const std::string focusTag = RememberFocusTag();
        CollapseCell(cell);
        if (command == TreeCommand::Expand) ExpandCell(cell, false);
        if (command == TreeCommand::ExpandTree) ExpandCell(cell, true);
        cell->selected = false;
        RestoreFocus(focusTag);
    }
    surface_.RepaintAll();
}

void CHiermanView::TakeFontChoice(ViewFont chosen, std::uint32_t colour) {
    if (chosen.weight < 700) chosen.weight = 0;
    fonts_[sizeIndex_] = std::move(chosen);
    textColours_[sizeIndex_] = colour & 0xFFFFFFu;
    surface_.RepaintAll();
}

int CHiermanView::HelpHitTest(CellPos at) {
    CMatrixCell* cell = Get(at.column, at.row);
    if (!cell) return kHelpNoCell;
    const int icon = IconOf(cell);
    // The 24- and 16-pixel icons are numbered 31 and 17 above the 32-pixel ones.
    return sizeIndex_ == 1 ? icon + 31 : sizeIndex_ == 2 ? icon + 17 : icon;
}

}  // namespace hierman
