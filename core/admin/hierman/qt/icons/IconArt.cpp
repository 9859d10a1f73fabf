#include "IconArt.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace hierman {

namespace {

QImage Blank(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QColor StateColour(int icon) {
    switch (icon) {
    case 130:
    case 140:
    case 144: return QColor(0, 160, 0);
    case 131:
    case 141: return QColor(128, 128, 128);
    default: return QColor(200, 0, 0);
    }
}

int Line(int pixels) { return std::max(1, pixels / 16); }

void DrawBall(QPainter& p, int icon, int pixels) {
    const int pad = pixels / 6;
    const int mid = pixels / 2;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, Line(pixels)));
    p.setBrush(StateColour(icon));
    p.drawEllipse(QRect(pad, pad, pixels - 2 * pad, pixels - 2 * pad));
    // A collapsed tree with children shows a plus.
    if (icon >= 140 && icon <= 142) {
        p.setPen(QPen(Qt::white, std::max(1, pixels / 12)));
        p.drawLine(mid - pad, mid, mid + pad, mid);
        p.drawLine(mid, mid - pad, mid, mid + pad);
    }
}

// A screen with a state lamp: the machine bar's systems.
void DrawMachine(QPainter& p, int icon, int pixels) {
    const int pad = pixels / 8;
    p.setPen(QPen(Qt::black, Line(pixels)));
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(pad, pad, pixels - 2 * pad - 1, pixels * 5 / 8 - pad);
    p.fillRect(pixels / 3, pixels * 5 / 8 + 1, pixels / 3, pixels / 8, Qt::black);
    p.fillRect(pad, pixels * 3 / 4 + 1, pixels - 2 * pad, pixels / 8, QColor(90, 90, 90));
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(icon == 145 ? QColor(200, 0, 0) : QColor(0, 170, 0));
    const int lamp = std::max(4, pixels / 4);
    p.drawEllipse(QRect(pixels / 2 - lamp / 2, pixels * 5 / 16 - lamp / 2 + pad / 2, lamp, lamp));
}

// Three small balls joined as a tree.
void DrawProgram(QPainter& p, int pixels) {
    const int ball = std::max(4, pixels * 3 / 10);
    const QPoint top(pixels / 2, ball / 2 + 1);
    const QPoint left(ball / 2 + 1, pixels - ball / 2 - 2);
    const QPoint right(pixels - ball / 2 - 2, pixels - ball / 2 - 2);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, Line(pixels)));
    p.drawLine(top, left);
    p.drawLine(top, right);
    const QColor colours[] = {QColor(0, 160, 0), QColor(128, 128, 128), QColor(200, 0, 0)};
    const QPoint centres[] = {top, left, right};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[i]);
        p.drawEllipse(centres[i], ball / 2, ball / 2);
    }
}

}  // namespace

QImage DrawIcon(int icon, int pixels) {
    QImage image = Blank(pixels);
    QPainter p(&image);
    const int mid = pixels / 2;
    p.setPen(QPen(Qt::black, Line(pixels)));
    switch (icon) {
    case 128: DrawProgram(p, pixels); break;
    case 136:
        p.drawLine(mid, 0, mid, pixels);
        p.drawLine(mid, mid, pixels, mid);
        break;
    case 135:
        p.drawLine(mid, 0, mid, mid);
        p.drawLine(mid, mid, pixels, mid);
        break;
    case 137: p.drawLine(mid, 0, mid, pixels); break;
    case 133:
    case 146:
        p.setPen(QPen(Qt::blue, Line(pixels), Qt::DotLine));
        p.drawRect(1, 1, pixels - 3, pixels - 3);
        break;
    case 134: p.fillRect(0, 0, pixels, pixels, QColor(255, 230, 120)); break;
    case 144:
    case 145: DrawMachine(p, icon, pixels); break;
    default: DrawBall(p, icon, pixels); break;
    }
    return image;
}

QImage DrawCursor(int cursor, int pixels) {
    QImage image = Blank(pixels);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double mid = pixels / 2.0;
    const double reach = pixels / 2.0 - 1.5;
    const QPen outline(Qt::white, std::max(2, pixels / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QPen ink(Qt::black, Line(pixels) + 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (cursor == 143) {
        // Nowhere to drop: a barred circle.
        for (const QPen& pen : {outline, ink}) {
            p.setPen(pen.color() == Qt::white ? pen : QPen(QColor(200, 0, 0), pen.widthF(), Qt::SolidLine,
                                                             Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(mid, mid), reach - 1, reach - 1);
            p.drawLine(QPointF(mid - reach * 0.7, mid - reach * 0.7), QPointF(mid + reach * 0.7, mid + reach * 0.7));
        }
        return image;
    }
    // A tree's block carried towards the quarter the cursor is over: an
    // arrow from the middle to that corner.
    const int dx = cursor == 140 || cursor == 141 ? 1 : -1;
    const int dy = cursor == 141 || cursor == 142 ? 1 : -1;
    const QPointF tip(mid + dx * reach, mid + dy * reach);
    QPainterPath arrow;
    arrow.moveTo(QPointF(mid, mid));
    arrow.lineTo(tip);
    arrow.moveTo(tip);
    arrow.lineTo(QPointF(tip.x() - dx * reach / 2, tip.y()));
    arrow.moveTo(tip);
    arrow.lineTo(QPointF(tip.x(), tip.y() - dy * reach / 2));
    const double box = std::max(3.0, pixels / 5.0);
    for (const QPen& pen : {outline, ink}) {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(arrow);
        p.setBrush(pen.color() == Qt::white ? QColor(Qt::white) : QColor(0, 160, 0));
        p.drawRect(QRectF(mid - box / 2, mid - box / 2, box, box));
    }
    return image;
}

}  // namespace hierman
