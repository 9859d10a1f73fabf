#include "Figures.h"

#include <algorithm>

namespace hwman {

LRect LRect::United(const LRect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(left, o.left), std::max(top, o.top), std::max(right, o.right), std::min(bottom, o.bottom)};
}

void FigureServices::Say(const std::string& text, panelaid::BoxIcon icon) const {
    panelaid::BoxRequest box;
    box.text = text;
    box.icon = icon;
    boxes.Ask(box);
}

bool FigureServices::YesNo(const std::string& text) const {
    panelaid::BoxRequest ask;
    ask.text = text;
    ask.buttons = panelaid::BoxButtons::YesNo;
    return boxes.Ask(ask) == panelaid::BoxAnswer::Yes;
}

}  // namespace hwman
