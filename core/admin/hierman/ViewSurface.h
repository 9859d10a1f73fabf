// What the hierarchy view's logic asks of the window that shows it: its
// document's title, repaints, closing, keyboard focus and scrolling. The Qt
// widget implements it; tests record the calls.
#pragma once

#include <string>

namespace hierman {

class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    // The document's title: the name of the system the view is to show.
    virtual const std::string& DocumentTitle() const = 0;
    virtual void RepaintCell(int column, int row) = 0;
    virtual void RepaintAll() = 0;
    // Closes the document and its window once the current call has returned.
    virtual void CloseDocument() = 0;
    virtual bool HasKeyboardFocus() const = 0;
    // Scrolls, one line at a time, until the cell is visible.
    virtual void ScrollIntoView(int column, int row) = 0;
    // The icon size changed: metrics and scroll steps follow it.
    virtual void IconSizeChanged(int pixels) = 0;
};

}  // namespace hierman
