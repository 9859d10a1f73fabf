// The application status view's decisions: what to repaint after an update,
// a click, a command or a key, when to scroll the focused tree into sight,
// the enabling of the Tree commands. The Qt widget draws the document and
// carries these out; the shell has the sibling consoles and Stop.
#pragma once

#include "CAPPSTATDoc.h"

namespace appstat {

enum class ViewKey { Enter, Space, Left, Right, Up, Down, ZoomIn, ZoomOut, Other };
enum class TreeCommand { Expand, Collapse, ExpandAll, CollapseAll };

// What the view's logic asks of its window. Rectangles are in the
// document's logical pixels; the window subtracts its scroll position.
class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    virtual void RepaintRect(const Rect& logical) = 0;
    virtual void RepaintAll() = 0;
    virtual void SetScrollSizes(int width, int height) = 0;
    // The client area in logical pixels: the scroll position and the size.
    virtual Rect Visible() const = 0;
    virtual void ScrollTo(int x, int y) = 0;
};

class CAPPSTATView {
public:
    CAPPSTATView(CAPPSTATDoc& doc, ViewSurface& surface);

    void OnInitialUpdate();
    // The document changed: the whole view when the layout did, else the
    // boxes and rows marked for repainting.
    void OnUpdate();
    // Points in logical pixels (the scroll position already added).
    void OnClick(int x, int y);
    void OnDoubleClick(int x, int y);
    void OnKeyUp(ViewKey key);
    // The keyboard focus came or went: the focus frame follows it.
    void OnFocusChange();

    void RunTreeCommand(TreeCommand command);
    bool TreeCommandEnabled(TreeCommand command) const;

private:
    // Repaints the hit rectangle (joined with the expansion area when asked)
    // of every tree marked for repainting.
    void RepaintMarked(bool withExpansion, bool expansionOnly = false);

    CAPPSTATDoc& doc_;
    ViewSurface& surface_;
};

}  // namespace appstat
