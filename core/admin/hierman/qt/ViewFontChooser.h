// Ctrl+F in the hierarchy view: Qt's font dialog, then its colour dialog, on
// the font and text colour of the view's current icon size.
#pragma once

#include "CHiermanView.h"

#include <QFont>

class QWidget;

namespace hierman {

QFont QtFontOf(const ViewFont& font);
// The description of a Qt font; pixels per point from the screen.
ViewFont ViewFontOf(const QFont& font, double dotsPerInch);

// Opens both dialogs and hands their result to the view's logic. A cancelled
// dialog gives back what it was opened on.
void ChooseViewFont(CHiermanView& view, QWidget* parent);

}  // namespace hierman
