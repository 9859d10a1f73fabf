#include "ViewFontChooser.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QWidget>

#include <cmath>

namespace hierman {

QFont QtFontOf(const ViewFont& font) {
    QFont qt(QString::fromStdString(font.face));
    qt.setPixelSize(std::max(1, std::abs(font.height)));
    qt.setWeight(font.weight >= 700 ? QFont::Weight(std::min(font.weight, 900)) : QFont::Normal);
    qt.setItalic(font.italic);
    qt.setUnderline(font.underline);
    qt.setStrikeOut(font.strikeOut);
    qt.setStyleStrategy(QFont::PreferQuality);
    return qt;
}

ViewFont ViewFontOf(const QFont& font, double dotsPerInch) {
    ViewFont out;
    out.face = font.family().toStdString();
    const int pixels = font.pixelSize() > 0 ? font.pixelSize()
                                            : static_cast<int>(std::lround(font.pointSizeF() * dotsPerInch / 72.0));
    out.height = -std::max(1, pixels);
    out.weight = font.weight();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    return out;
}

void ChooseViewFont(CHiermanView& view, QWidget* parent) {
    const ViewFont before = view.Font();
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, QtFontOf(before), parent);
    const ViewFont font = ok ? ViewFontOf(chosen, parent ? parent->logicalDpiY() : 96.0) : before;
    const QColor colour = QColorDialog::getColor(QColor::fromRgb(view.TextColour()), parent);
    view.TakeFontChoice(font, colour.isValid() ? colour.rgb() & 0xFFFFFFu : view.TextColour());
}

}  // namespace hierman
