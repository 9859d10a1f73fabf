// The console's pictures as our own drawing code: the icons of the resource
// states, summaries, links, marks and machine states, the program icon and
// the five drag cursors, at 32, 24 and 16 pixels. Run at build time by the
// icon generator; the program loads the results from its resources.
#pragma once

#include <QImage>

#include <string>

namespace hierman {

// Every picture's number in the 32-pixel numbering.
inline constexpr int kArtIcons[] = {128, 130, 131, 132, 133, 134, 135, 136, 137, 140, 141, 142, 144, 145, 146};
inline constexpr int kArtCursors[] = {139, 140, 141, 142, 143};
inline constexpr int kArtSizes[] = {32, 24, 16};

QImage DrawIcon(int icon, int pixels);
QImage DrawCursor(int cursor, int pixels);

}  // namespace hierman
