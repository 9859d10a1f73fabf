#include "FigurePainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace hwman {

namespace {

QFont FontOfHeight(int logicalHeight, double dpi) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(std::abs(logicalHeight) * dpi / 100.0))));
    return f;
}

}  // namespace

FigurePainter::FigurePainter(QPainter& painter, double dpi, QPoint scroll, bool viewHasFocus)
    : painter_(painter), dpi_(dpi), scroll_(scroll), focus_(viewHasFocus) {}

QPoint FigurePainter::ToDevice(int x, int y, double dpi, QPoint scroll) {
    return {static_cast<int>(std::lround(x * dpi / 100.0)) - scroll.x(),
            static_cast<int>(std::lround(-y * dpi / 100.0)) - scroll.y()};
}

QPoint FigurePainter::ToDevice(int x, int y) const { return ToDevice(x, y, dpi_, scroll_); }

int FigurePainter::Scaled(int logical) const {
    return std::max(1, static_cast<int>(std::lround(logical * dpi_ / 100.0)));
}

QColor FigurePainter::SystemColor(SystemState state) {
    switch (state) {
    case SystemState::Alive: return QColor(0, 255, 0);
    case SystemState::Dead: return QColor(255, 0, 0);
    default: return QColor(0, 0, 0);
    }
}

QColor FigurePainter::PathColor(int status) {
    if (status == kPathAlive) return QColor(0, 255, 0);
    if (status == kPathDead) return QColor(255, 0, 0);
    return QColor(0xC0, 0xC0, 0xC0);
}

void FigurePainter::Line(int x1, int y1, int x2, int y2, const QColor& color, int width) {
    painter_.setPen(QPen(color, Scaled(width), Qt::SolidLine, Qt::FlatCap));
    painter_.drawLine(ToDevice(x1, y1), ToDevice(x2, y2));
}

void FigurePainter::Outline(const LRect& r, const QColor& color, int width, bool dotted) {
    painter_.setPen(QPen(color, dotted ? 1 : Scaled(width), dotted ? Qt::DotLine : Qt::SolidLine));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRect(ToDevice(r.left, r.top), ToDevice(r.right, r.bottom)).normalized());
}

void FigurePainter::Fill(const LRect& r, const QColor& color) {
    painter_.fillRect(QRect(ToDevice(r.left, r.top), ToDevice(r.right, r.bottom)).normalized(), color);
}

void FigurePainter::TextAt(const std::string& text, int x, int y, int fontHeight) {
    const QFont f = FontOfHeight(fontHeight, dpi_);
    painter_.setFont(f);
    painter_.setPen(Qt::black);
    const QFontMetrics m(f);
    const QString t = QString::fromStdString(text);
    const QPoint at = ToDevice(x, y);
    painter_.drawText(at.x() - m.horizontalAdvance(t) / 2, at.y() - m.descent(), t);
}

void FigurePainter::Draw(const CHWMANDoc& doc) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    bool local = true;
    for (const auto& system : doc.Systems()) {
        DrawSystem(*system, doc.Zoom(), local);
        local = false;
    }
}

void FigurePainter::DrawSystem(CHWMANSystem& s, int zoom, bool local) {
    Fill(s.rect, SystemColor(s.state));
    const int nameHeight = static_cast<int>(static_cast<unsigned>(100 - zoom) / 10u) - 24;
    const int middle = (s.rect.left + s.rect.right) / 2;
    TextAt(s.Name(), middle, s.rect.top, nameHeight);
    const std::string word = s.state == SystemState::Alive  ? "Alive"
                             : s.state == SystemState::Dead ? "Dead"
                                                            : s.Name();
    TextAt(word, middle, s.rect.bottom + 4, nameHeight);
    if (local) {
        s.PlaceLines();
        for (const auto& p : s.Paths()) DrawPath(*p, zoom);
        if (s.busTop != s.busBottom) Line(s.busX, s.busTop, s.busX, s.busBottom, QColor(0, 0, 0), 3);
    }
    Outline(s.rect, QColor(0, 0, 0), 1);
    s.redraw = false;
}

void FigurePainter::DrawLabel(CHWMANNetwork& p, int zoom) {
    const QFont f = FontOfHeight(CHWMANNetwork::LabelFontHeight(zoom), dpi_);
    const QFontMetrics m(f);
    const QString t = QString::fromStdString(p.LabelText());
    // The label's size in logical units fits the hot rectangle to it.
    const int width = static_cast<int>(std::lround(m.horizontalAdvance(t) * 100.0 / dpi_));
    const int height = static_cast<int>(std::lround(m.height() * 100.0 / dpi_));
    p.FitLabel({width, height});
    TextAt(p.LabelText(), (p.x1 + p.x2) / 2, p.y1, CHWMANNetwork::LabelFontHeight(zoom));
}

void FigurePainter::DrawPath(CHWMANNetwork& p, int zoom) {
    const QColor color = PathColor(p.status);
    p.ComputeRectangles();
    DrawLabel(p, zoom);
    if (p.selected)
        Fill(p.selection, QColor(0xC0, 0xC0, 0xC0));
    else
        Outline(p.hot, QColor(255, 255, 255), 2);
    const int middle = (p.x1 + p.x2) / 2;
    Line(middle - 10, p.y1, p.x2, p.y2, color, 3);
    Line(middle + 10, p.y1, p.x1, p.y1, color, 3);
    DrawLabel(p, zoom);
    if (p.focused && focus_) Outline(p.hot, QColor(0, 0, 0), 1, true);
    p.redraw = false;
}

}  // namespace hwman
