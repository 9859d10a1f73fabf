// The console's bitmaps, our own images kept as resources: the system
// entries' states (48 x 48) and the trees' states (72 x 48), drawn stretched
// to the zoom.
#pragma once

#include <QPixmap>

namespace appstat {

// The bitmap of a number (157 to 164); a null pixmap for any other.
QPixmap AppstatBitmap(int number);

}  // namespace appstat
