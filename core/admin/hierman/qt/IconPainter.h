// The console's icons at 32, 24 and 16 pixels, drawn by our own code: the
// resource states, the collapsed summaries, the three links, the focus and
// selection marks and the machine bar's states.
#pragma once

#include <QPixmap>

namespace hierman {

inline constexpr int kIconFocusMark = 133;
inline constexpr int kIconSelectionMark = 134;

// The pixmap of an icon number (the 32-pixel numbering) at a size; cached.
QPixmap IconPixmap(int icon, int pixels);

}  // namespace hierman
