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

// A plus (green) or a cross (red) in the bottom-right corner of a button.
void DrawMark(QPainter& p, bool add) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(add ? QColor(0, 140, 0) : QColor(200, 0, 0), 2));
    if (add) {
        p.drawLine(9, 12, 15, 12);
        p.drawLine(12, 9, 12, 15);
    } else {
        p.drawLine(9, 9, 15, 15);
        p.drawLine(15, 9, 9, 15);
    }
}

// Two resources joined by a dependency.
void DrawLink(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(3, 3, 3, 9);
    p.drawLine(3, 9, 8, 9);
    p.setBrush(QColor(0, 160, 0));
    p.drawEllipse(QPoint(3, 3), 2, 2);
    p.drawEllipse(QPoint(8, 9), 2, 2);
}

// A ball of a state colour with an arrow up (in) or down (out).
void DrawStateArrow(QPainter& p, bool in) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(in ? QColor(0, 160, 0) : QColor(128, 128, 128));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QPolygonF arrow;
    if (in)
        arrow << QPointF(8, 4) << QPointF(12, 9) << QPointF(4, 9);
    else
        arrow << QPointF(8, 12) << QPointF(12, 7) << QPointF(4, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
}

// A blue disc with an "i" (about) or a "?" (context help), drawn as shapes.
void DrawSign(QPainter& p, bool question) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 80, 200));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setBrush(Qt::white);
    if (question) {
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath hook;
        hook.moveTo(5.5, 6);
        hook.arcTo(QRectF(5.5, 3, 5, 5), 180, -270);
        hook.lineTo(8, 9.5);
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 12.5), 1.2, 1.2);
    } else {
        p.drawEllipse(QPointF(8, 4.5), 1.3, 1.3);
        p.drawRect(QRectF(7, 7, 2, 6));
    }
}

}  // namespace

QImage DrawToolButton(int command) {
    QImage image = Blank(kToolButtonPixels);
    QPainter p(&image);
    switch (command) {
    case 32771: DrawStateArrow(p, false); break;
    case 32772: DrawStateArrow(p, true); break;
    case 32773:
    case 32774:
        DrawLink(p);
        DrawMark(p, command == 32773);
        break;
    case 32775:
    case 32776:
        p.scale(0.7, 0.7);
        DrawProgram(p, kToolButtonPixels);
        p.resetTransform();
        DrawMark(p, command == 32775);
        break;
    case 32782: DrawProgram(p, kToolButtonPixels); break;
    case 32783: DrawMachine(p, 144, kToolButtonPixels); break;
    case 0xE140: DrawSign(p, false); break;
    case 0xE145: DrawSign(p, true); break;
    default: break;
    }
    return image;
}

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
