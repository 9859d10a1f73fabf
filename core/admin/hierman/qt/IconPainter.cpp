#include "IconPainter.h"

#include <QCoreApplication>

#include <map>
#include <utility>

// The resources live in a static library: their registration is pulled in
// by name, outside any namespace.
static void LoadHiermanIcons() { Q_INIT_RESOURCE(hierman_icons); }

namespace hierman {

namespace {

std::map<std::pair<int, int>, QPixmap> gPixmaps;
std::map<std::pair<int, int>, QCursor> gCursors;

// The pictures go with the application object, not after it.
void DropCaches() {
    gPixmaps.clear();
    gCursors.clear();
}

QPixmap Load(const char* kind, int number, int pixels) {
    static const bool loaded = (LoadHiermanIcons(), qAddPostRoutine(DropCaches), true);
    (void)loaded;
    QPixmap pixmap(QStringLiteral(":/hierman/%1-%2.png").arg(QLatin1String(kind)).arg(number));
    if (pixmap.isNull()) {
        pixmap = QPixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
    }
    return pixmap;
}

}  // namespace

int ResourceNumber(int icon, int pixels) {
    if (icon < 130 || icon > 143) return icon;
    return pixels == 24 ? icon + 31 : pixels == 16 ? icon + 17 : icon;
}

QPixmap IconPixmap(int icon, int pixels) {
    auto it = gPixmaps.find({icon, pixels});
    if (it == gPixmaps.end()) {
        const int number = ResourceNumber(icon, pixels);
        // The machine states and the program icon exist at 32 pixels only.
        QPixmap pixmap = Load("icon", number, pixels);
        if (pixmap.width() != pixels) pixmap = pixmap.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        it = gPixmaps.emplace(std::make_pair(icon, pixels), pixmap).first;
    }
    return it->second;
}

QIcon ToolButtonIcon(int command) {
    static const bool loaded = (LoadHiermanIcons(), true);
    (void)loaded;
    const QPixmap pixmap(QStringLiteral(":/hierman/tool-%1.png").arg(command));
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QCursor DragCursor(int cursor, int pixels) {
    // Cursors 1-4 by quarter (top-left, top-right, bottom-left, bottom-right), then no drop.
    static constexpr int kNumbers[] = {139, 140, 142, 141, 143};
    if (cursor < 1 || cursor > 5) cursor = 5;
    auto it = gCursors.find({cursor, pixels});
    if (it == gCursors.end()) {
        const QPixmap pixmap = Load("cursor", ResourceNumber(kNumbers[cursor - 1], pixels), pixels);
        it = gCursors.emplace(std::make_pair(cursor, pixels), QCursor(pixmap, pixels / 2, pixels / 2)).first;
    }
    return it->second;
}

}  // namespace hierman
