#include "IconPainter.h"

#include "CMatrixCell.h"

#include <QPainter>

#include <map>
#include <utility>

namespace hierman {

namespace {

QColor StateColour(int icon) {
    switch (icon) {
    case kIconInService:
    case kIconSummaryInService:
    case 144: return QColor(0, 160, 0);
    case kIconOutOfService:
    case kIconSummaryOutOfService: return QColor(128, 128, 128);
    default: return QColor(200, 0, 0);
    }
}

QPixmap Draw(int icon, int pixels) {
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const int mid = pixels / 2;
    const int pad = pixels / 6;
    p.setPen(QPen(Qt::black, std::max(1, pixels / 16)));
    switch (icon) {
    case kIconTeeLink:
        p.drawLine(mid, 0, mid, pixels);
        p.drawLine(mid, mid, pixels, mid);
        break;
    case kIconRightLink:
        p.drawLine(mid, 0, mid, mid);
        p.drawLine(mid, mid, pixels, mid);
        break;
    case kIconVertLink: p.drawLine(mid, 0, mid, pixels); break;
    case kIconFocusMark:
    case 146:
        p.setPen(QPen(Qt::blue, std::max(1, pixels / 16), Qt::DotLine));
        p.drawRect(1, 1, pixels - 3, pixels - 3);
        break;
    case kIconSelectionMark: p.fillRect(0, 0, pixels, pixels, QColor(255, 230, 120)); break;
    default: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(StateColour(icon));
        p.drawEllipse(QRect(pad, pad, pixels - 2 * pad, pixels - 2 * pad));
        // A collapsed tree with children shows a plus.
        if (icon >= kIconSummaryInService && icon <= kIconSummaryOtherState) {
            p.setPen(QPen(Qt::white, std::max(1, pixels / 12)));
            p.drawLine(mid - pad, mid, mid + pad, mid);
            p.drawLine(mid, mid - pad, mid, mid + pad);
        }
        break;
    }
    }
    return pixmap;
}

}  // namespace

QPixmap IconPixmap(int icon, int pixels) {
    static std::map<std::pair<int, int>, QPixmap> cache;
    auto it = cache.find({icon, pixels});
    if (it == cache.end()) it = cache.emplace(std::make_pair(icon, pixels), Draw(icon, pixels)).first;
    return it->second;
}

}  // namespace hierman
