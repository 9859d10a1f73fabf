#include "CAPPSTATView.h"

#include <algorithm>

namespace appstat {

CAPPSTATView::CAPPSTATView(CAPPSTATDoc& doc, ViewSurface& surface) : doc_(doc), surface_(surface) {}

void CAPPSTATView::OnInitialUpdate() { surface_.SetScrollSizes(doc_.ScrollWidth(), doc_.ScrollHeight()); }

void CAPPSTATView::OnUpdate() {
    if (doc_.LayoutChanged()) {
        surface_.SetScrollSizes(doc_.ScrollWidth(), doc_.ScrollHeight());
        surface_.RepaintAll();
        return;
    }
    for (const auto& tree : doc_.Trees()) {
        if (tree->NeedsRepaint()) surface_.RepaintRect(tree->Box());
        for (const auto& entry : tree->Entries())
            if (entry->NeedsRepaint()) surface_.RepaintRect(entry->Hit());
    }
}

void CAPPSTATView::RepaintMarked(bool withExpansion, bool expansionOnly) {
    for (const auto& tree : doc_.Trees()) {
        if (!tree->NeedsRepaint()) continue;
        if (expansionOnly)
            surface_.RepaintRect(tree->ExpansionArea());
        else
            surface_.RepaintRect(withExpansion ? tree->Hit().Joined(tree->ExpansionArea()) : tree->Hit());
    }
}

void CAPPSTATView::OnClick(int x, int y) {
    doc_.SelectAt(x, y);
    RepaintMarked(false);
}

void CAPPSTATView::OnDoubleClick(int x, int y) {
    OnClick(x, y);
    doc_.ToggleAt(x, y);
    RepaintMarked(false, true);
}

void CAPPSTATView::RunTreeCommand(TreeCommand command) {
    switch (command) {
    case TreeCommand::Expand: doc_.ExpandSelected(); break;
    case TreeCommand::Collapse: doc_.CollapseSelected(); break;
    case TreeCommand::ExpandAll: doc_.ExpandAll(); break;
    case TreeCommand::CollapseAll: doc_.CollapseAll(); break;
    }
    const bool all = command == TreeCommand::ExpandAll || command == TreeCommand::CollapseAll;
    for (const auto& tree : doc_.Trees()) {
        if (!tree->NeedsRepaint()) continue;
        Rect area = tree->ExpansionArea();
        if (!all || tree->Selected()) area = area.Joined(tree->Hit());
        surface_.RepaintRect(area);
    }
}

bool CAPPSTATView::TreeCommandEnabled(TreeCommand command) const {
    switch (command) {
    case TreeCommand::Expand: return doc_.AnySelectedCollapsed();
    case TreeCommand::Collapse: return doc_.AnySelectedExpanded();
    case TreeCommand::ExpandAll: return doc_.AnyCollapsed();
    case TreeCommand::CollapseAll: return doc_.AnyExpanded();
    }
    return false;
}

void CAPPSTATView::OnKeyUp(ViewKey key) {
    switch (key) {
    case ViewKey::Enter: doc_.ToggleSelected(); break;
    case ViewKey::Space: doc_.ToggleFocusedSelection(); break;
    case ViewKey::Left: doc_.MoveFocus(-1, 0); break;
    case ViewKey::Right: doc_.MoveFocus(1, 0); break;
    case ViewKey::Up: doc_.MoveFocus(0, -1); break;
    case ViewKey::Down: doc_.MoveFocus(0, 1); break;
    case ViewKey::ZoomIn:
    case ViewKey::ZoomOut:
        if (key == ViewKey::ZoomIn)
            doc_.ZoomIn();
        else
            doc_.ZoomOut();
        surface_.RepaintAll();
        return;
    case ViewKey::Other: return;
    }
    CAPPSTATRootResource* focused = doc_.FocusedTree();
    if (!focused) return;
    const Rect visible = surface_.Visible();
    const Rect hit = focused->Hit();
    if (visible.Holds(hit)) {
        RepaintMarked(key == ViewKey::Enter);
        return;
    }
    // Bring the focused tree into sight along the way the focus moved; when
    // that place is not in the client area, to its corner.
    const int cornerX = hit.left - doc_.LeftMargin();
    const int cornerY = hit.top - doc_.TopMargin();
    int x = cornerX;
    int y = cornerY;
    if (key == ViewKey::Up || key == ViewKey::Down) x = visible.left;
    if (key == ViewKey::Left || key == ViewKey::Right) y = visible.top;
    if (!visible.Contains(x, y)) {
        x = cornerX;
        y = cornerY;
    }
    surface_.ScrollTo(std::max(0, x), std::max(0, y));
    surface_.RepaintAll();
}

void CAPPSTATView::OnFocusChange() {
    if (CAPPSTATRootResource* focused = doc_.FocusedTree()) surface_.RepaintRect(focused->Hit().Grown(1));
}

}  // namespace appstat
