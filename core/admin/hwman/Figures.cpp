#include "Figures.h"

#include <algorithm>

namespace hwman {

LRect LRect::United(const LRect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(left, o.left), std::max(top, o.top), std::max(right, o.right), std::min(bottom, o.bottom)};
}

void FigureServices::Say(const std::string& text, panelaid::BoxIcon icon) const { boxes.Tell(text, icon); }

bool FigureServices::YesNo(const std::string& text) const { return boxes.AskYesNo(text); }

}  // namespace hwman
