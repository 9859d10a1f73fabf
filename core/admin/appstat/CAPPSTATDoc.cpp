#include "CAPPSTATDoc.h"

#include "InstanceReads.h"

#include <algorithm>
#include <set>

namespace appstat {

GridPlace GridPlaceOf(std::size_t index) {
    std::size_t shell = 0;
    while ((shell + 1) * (shell + 1) <= index) ++shell;
    const std::size_t k = index - shell * shell;
    const int n = static_cast<int>(shell);
    if (k < shell) return GridPlace{n, static_cast<int>(k)};
    if (k < 2 * shell) return GridPlace{static_cast<int>(k - shell), n};
    return GridPlace{n, n};
}

CAPPSTATDoc::CAPPSTATDoc(DocServices services, DocHost& host) : services_(std::move(services)), host_(host) {}

void CAPPSTATDoc::OnNewDocument() {
    title_ = " ";
    int zoom = 100;
    services_.settings.RetrieveZoom(kConsoleTitle, &zoom);
    // Only the three steps the keys move between are valid; anything else
    // stored (by hand, or by a damaged value) starts at full size.
    zoom_ = (zoom == 80 || zoom == 90 || zoom == 100) ? zoom : 100;
    ComputeScrollSize(&scrollWidth_, &scrollHeight_);
}

void CAPPSTATDoc::Load() {
    title_ = services_.db.LocalName();
    LoadTrees();
    RebuildStamps();
    Layout();
    ComputeScrollSize(&scrollWidth_, &scrollHeight_);
    layoutChanged_ = true;
    services_.db.ClearError();
    host_.UpdateAllViews();
}

void CAPPSTATDoc::LoadTrees() {
    for (const InstanceEntry& root : ReadRootInstances(services_.db)) {
        auto tree = std::make_unique<CAPPSTATRootResource>(services_.db, root.tag);
        tree->SetState(root.state);
        trees_.push_back(std::move(tree));
    }
}

const std::string& CAPPSTATDoc::IdleStatusText() {
    static const std::string ready(kReadyText);
    static const std::string initializing(kInitializingText);
    return services_.db.Initializing() ? initializing : ready;
}

void CAPPSTATDoc::Refresh() {
    if (!ChangeTest()) return;
    host_.SetWaitCursor(true);
    services_.painter.ShowText("Updating window with current status of Holdervane");
    treesChanged_ = false;
    services_.db.ClearError();
    RefreshTrees();
    Layout();
    SizeChangeTest();
    if (treesChanged_) layoutChanged_ = true;
    // Lists that came back empty leave errors nobody is shown.
    services_.db.ClearError();
    host_.SetWaitCursor(false);
    services_.painter.ShowText(IdleStatusText());
    host_.UpdateAllViews();
}

bool CAPPSTATDoc::ChangeTest() {
    bool changed = false;
    bool newSystem = false;
    for (const auto& stamp : stamps_) stamp->SetSeen(false);
    if (services_.db.SystemList(nullptr, &systemRecords_)) {
        const std::size_t records = std::min(systemRecords_.size(), kMaxRecords);
        for (std::size_t i = 0; i < records && !newSystem; ++i) {
            const std::string& record = systemRecords_[i];
            if (RecordNamesNothing(record)) continue;
            // The stamps mostly stand in the list's order: that place first.
            CAPPSTATSystem* match = nullptr;
            if (i < stamps_.size() && RecordNamesSystem(record, stamps_[i]->Name())) match = stamps_[i].get();
            for (std::size_t k = 0; k < stamps_.size() && !match; ++k)
                if (RecordNamesSystem(record, stamps_[k]->Name())) match = stamps_[k].get();
            // A system without a stamp: the stamps are rebuilt, whatever else
            // the list holds.
            if (match)
                match->SetSeen(true);
            else
                changed = newSystem = true;
        }
    } else if (!stamps_.empty()) {
        changed = true;
    }
    for (const auto& stamp : stamps_)
        if (!stamp->Seen()) changed = newSystem = true;
    if (newSystem) RebuildStamps();
    for (const auto& stamp : stamps_) {
        services_.db.ClearError();
        const panelaid::DbStamp now = services_.db.Stamp(stamp->Name().c_str());
        if (!(now == stamp->Stamp())) {
            stamp->SetStamp(now);
            changed = true;
        }
    }
    for (const auto& stamp : stamps_) stamp->SetSeen(true);
    host_.SetStatusText(IdleStatusText());
    return changed;
}

void CAPPSTATDoc::RebuildStamps() {
    if (stamps_.empty()) stamps_.push_back(std::make_unique<CAPPSTATSystem>(services_.db, services_.db.LocalName()));
    for (const auto& stamp : stamps_) stamp->SetSeen(false);
    for (const auto& tree : trees_) {
        const std::string& name = tree->Entries().back()->Name();
        auto it = std::find_if(stamps_.begin(), stamps_.end(), [&](const auto& s) { return s->Name() == name; });
        if (it != stamps_.end())
            (*it)->SetSeen(true);
        else
            stamps_.push_back(std::make_unique<CAPPSTATSystem>(services_.db, name));
    }
    const CAPPSTATSystem* local = stamps_.front().get();
    std::erase_if(stamps_, [local](const auto& s) { return s.get() != local && !s->Seen(); });
}

void CAPPSTATDoc::RefreshTrees() {
    for (const auto& tree : trees_) tree->SetSeen(false);
    // Trees by tag, so that a large list does not make the pass quadratic.
    std::map<std::string, CAPPSTATRootResource*> byTag;
    for (const auto& tree : trees_) byTag.emplace(tree->Tag(), tree.get());
    for (const InstanceEntry& root : ReadRootInstances(services_.db)) {
        auto it = byTag.find(root.tag);
        if (it != byTag.end() && !it->second->Seen()) {
            it->second->SetSeen(true);
            it->second->SetState(root.state);
            it->second->RefreshEntries(&treesChanged_);
            continue;
        }
        if (it != byTag.end()) continue;
        auto tree = std::make_unique<CAPPSTATRootResource>(services_.db, root.tag);
        tree->SetState(root.state);
        byTag.emplace(root.tag, tree.get());
        trees_.push_back(std::move(tree));
        treesChanged_ = true;
    }
    const std::size_t before = trees_.size();
    std::erase_if(trees_, [](const auto& t) { return !t->Seen(); });
    if (trees_.size() != before) treesChanged_ = true;
}

void CAPPSTATDoc::Layout() {
    boxWidth_ = 72;
    boxHeight_ = 48;
    columnGap_ = 45;
    rowPitch_ = 225;
    const int z = zoom_;
    for (std::size_t i = 0; i < trees_.size(); ++i) {
        CAPPSTATRootResource& tree = *trees_[i];
        const GridPlace at = GridPlaceOf(i);
        tree.SetGrid(at.column, at.row);
        const int x = leftMargin_ + at.column * (z * (columnGap_ + boxWidth_) / 100) + z - 100;
        const int y = topMargin_ + z * rowPitch_ * at.row / 100 + z - 100;
        tree.Place(x, y, boxWidth_ * z / 100, z * boxHeight_ / 100, z);
    }
}

void CAPPSTATDoc::ComputeScrollSize(int* width, int* height) const {
    int columns = kMinGridIndex;
    int rows = kMinGridIndex;
    for (const auto& tree : trees_) {
        columns = std::max(columns, tree->Column());
        rows = std::max(rows, tree->Row());
    }
    *width = (boxWidth_ + columnGap_) * (columns + 1) + leftMargin_;
    *height = rowPitch_ * (rows + 1) + topMargin_;
}

void CAPPSTATDoc::SizeChangeTest() {
    int width = 0;
    int height = 0;
    ComputeScrollSize(&width, &height);
    layoutChanged_ = width != scrollWidth_ || height != scrollHeight_;
    scrollWidth_ = width;
    scrollHeight_ = height;
}

void CAPPSTATDoc::OnCloseDocument(const std::string& windowTitle) { services_.settings.SaveZoom(windowTitle, zoom_); }

void CAPPSTATDoc::ToggleAt(int x, int y) {
    for (const auto& tree : trees_) {
        if (!tree->Box().Contains(x, y)) continue;
        tree->SetExpanded(!tree->Expanded());
        tree->SetRepaint(true);
    }
}

void CAPPSTATDoc::SelectAt(int x, int y) {
    auto hit = std::find_if(trees_.begin(), trees_.end(), [&](const auto& t) { return t->Box().Contains(x, y); });
    if (hit == trees_.end()) return;
    (*hit)->SetSelected(!(*hit)->Selected(), services_.painter);
    (*hit)->SetRepaint(true);
    for (const auto& tree : trees_) {
        if (!tree->FocusMark()) continue;
        tree->SetFocusMark(false, services_.painter);
        tree->SetRepaint(true);
    }
    (*hit)->SetFocusMark(true, services_.painter);
}

bool CAPPSTATDoc::AnyExpanded() const {
    return std::any_of(trees_.begin(), trees_.end(), [](const auto& t) { return t->Expanded(); });
}

bool CAPPSTATDoc::AnySelectedExpanded() const {
    return std::any_of(trees_.begin(), trees_.end(), [](const auto& t) { return t->Selected() && t->Expanded(); });
}

bool CAPPSTATDoc::AnyCollapsed() const {
    return std::any_of(trees_.begin(), trees_.end(), [](const auto& t) { return !t->Expanded(); });
}

bool CAPPSTATDoc::AnySelectedCollapsed() const {
    return std::any_of(trees_.begin(), trees_.end(), [](const auto& t) { return t->Selected() && !t->Expanded(); });
}

void CAPPSTATDoc::CollapseSelected() {
    for (const auto& tree : trees_) {
        if (!tree->Selected() || !tree->Expanded()) continue;
        tree->SetExpanded(false);
        tree->SetSelected(false, services_.painter);
        tree->SetRepaint(true);
    }
}

void CAPPSTATDoc::CollapseAll() {
    for (const auto& tree : trees_) {
        tree->SetRepaint(tree->Expanded());
        tree->SetExpanded(false);
    }
}

void CAPPSTATDoc::ExpandSelected() {
    for (const auto& tree : trees_) {
        if (!tree->Selected() || tree->Expanded()) continue;
        tree->SetExpanded(true);
        tree->SetSelected(false, services_.painter);
        tree->SetRepaint(true);
    }
}

void CAPPSTATDoc::ExpandAll() {
    for (const auto& tree : trees_) {
        if (tree->Expanded()) continue;
        tree->SetExpanded(true);
        tree->SetRepaint(true);
    }
}

void CAPPSTATDoc::ToggleSelected() {
    for (const auto& tree : trees_) {
        if (!tree->Selected()) continue;
        tree->SetExpanded(!tree->Expanded());
        tree->SetRepaint(true);
    }
}

CAPPSTATRootResource* CAPPSTATDoc::FocusedTree() const {
    for (const auto& tree : trees_)
        if (tree->FocusMark()) return tree.get();
    return nullptr;
}

void CAPPSTATDoc::ToggleFocusedSelection() {
    CAPPSTATRootResource* focused = FocusedTree();
    if (!focused) return;
    focused->SetSelected(!focused->Selected(), services_.painter);
    focused->SetRepaint(true);
}

void CAPPSTATDoc::MoveFocus(int columns, int rows) {
    CAPPSTATRootResource* from = FocusedTree();
    if (!from) {
        if (trees_.empty()) {
            host_.Beep();
            return;
        }
        trees_.front()->SetFocusMark(true, services_.painter);
        trees_.front()->SetRepaint(true);
        return;
    }
    const int column = from->Column() + columns;
    const int row = from->Row() + rows;
    auto to = std::find_if(trees_.begin(), trees_.end(),
                           [&](const auto& t) { return t->Column() == column && t->Row() == row; });
    if (to == trees_.end()) {
        host_.Beep();
        return;
    }
    from->SetFocusMark(false, services_.painter);
    from->SetRepaint(true);
    (*to)->SetFocusMark(true, services_.painter);
    (*to)->SetRepaint(true);
}

void CAPPSTATDoc::ZoomIn() {
    if (zoom_ != 100) zoom_ += 10;
    Layout();
}

void CAPPSTATDoc::ZoomOut() {
    if (zoom_ != 80) zoom_ -= 10;
    Layout();
}

}  // namespace appstat
