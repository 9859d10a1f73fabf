#include "AppstatBitmaps.h"

#include <map>

namespace appstat {

QPixmap AppstatBitmap(int number) {
    static std::map<int, QPixmap> cache;
    if (number < 157 || number > 164) return QPixmap();
    auto it = cache.find(number);
    if (it == cache.end())
        it = cache.emplace(number, QPixmap(QStringLiteral(":/appstat/bitmaps/%1.xpm").arg(number))).first;
    return it->second;
}

}  // namespace appstat
