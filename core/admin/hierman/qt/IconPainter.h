// The console's icons and drag cursors at 32, 24 and 16 pixels, loaded from
// the program's resources (drawn by our own code when it is built).
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace hierman {

inline constexpr int kIconFocusMark = 133;
inline constexpr int kIconSelectionMark = 134;
// The program's own icon (the about box, the window).
inline constexpr int kProgramIcon = 128;

// The resource number of an icon or cursor given in the 32-pixel numbering:
// the 24- and 16-pixel ones are numbered 31 and 17 above; the machine
// states and the program icon have one number.
int ResourceNumber(int icon, int pixels);

// The pixmap of an icon number (the 32-pixel numbering) at a size; cached.
// A number without a picture gives a transparent pixmap of that size.
QPixmap IconPixmap(int icon, int pixels);

// The toolbar picture of a command; a null icon for a command without one.
QIcon ToolButtonIcon(int command);

// The drag cursor 1-4 (the quarter of the view it is over) or 5 (no drop
// here) at a size, its hot spot in the middle; cached.
QCursor DragCursor(int cursor, int pixels);

}  // namespace hierman
