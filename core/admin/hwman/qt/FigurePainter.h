// Draws the hardware document's figures with QPainter in logical units of
// 0.01 inch, y up: device x = (x * dpi / 100) - scroll x, device y =
// (-y * dpi / 100) - scroll y. Texts are drawn upright at the device points
// of their logical places. Drawing also fits each path's label (its hot
// rectangle follows the measured text).
#pragma once

#include "CHWMANDoc.h"

#include <QColor>
#include <QPoint>

class QPainter;

namespace hwman {

class FigurePainter {
public:
    FigurePainter(QPainter& painter, double dpi, QPoint scroll, bool viewHasFocus);

    void Draw(const CHWMANDoc& doc);

    QPoint ToDevice(int x, int y) const;
    static QPoint ToDevice(int x, int y, double dpi, QPoint scroll);
    static QColor SystemColor(SystemState state);
    static QColor PathColor(int status);

private:
    void DrawSystem(CHWMANSystem& system, int zoom, bool local);
    void DrawPath(CHWMANNetwork& path, int zoom);
    void DrawLabel(CHWMANNetwork& path, int zoom);
    void Line(int x1, int y1, int x2, int y2, const QColor& color, int width);
    void Outline(const LRect& r, const QColor& color, int width, bool dotted = false);
    void Fill(const LRect& r, const QColor& color);
    // Text centred on x with its bottom on y (logical), in a font of the
    // given logical height.
    void TextAt(const std::string& text, int x, int y, int fontHeight);
    int Scaled(int logical) const;

    QPainter& painter_;
    double dpi_;
    QPoint scroll_;
    bool focus_;
};

}  // namespace hwman
