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

// The toolbar buttons' pictures, by command id, 16 pixels.
inline constexpr int kArtToolButtons[] = {32771, 32772, 32773, 32774, 32775, 32776, 32782, 32783, 0xE140, 0xE145};
inline constexpr int kToolButtonPixels = 16;

QImage DrawIcon(int icon, int pixels);
QImage DrawToolButton(int command);
QImage DrawCursor(int cursor, int pixels);

}  // namespace hierman
