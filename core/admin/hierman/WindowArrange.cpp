#include "WindowArrange.h"

#include <algorithm>

namespace hierman {

std::vector<ArrangeRect> TileRects(int count, int areaWidth, int areaHeight, bool horizontal) {
    std::vector<ArrangeRect> rects;
    if (count <= 0) return rects;
    const int length = std::max(horizontal ? areaHeight : areaWidth, 0);
    const int across = std::max(horizontal ? areaWidth : areaHeight, 1);
    const int share = length / count;
    const int rest = length % count;
    int at = 0;
    for (int i = 0; i < count; ++i) {
        const int size = std::max(share + (i < rest ? 1 : 0), 1);
        const int start = std::min(at, std::max(length - 1, 0));
        rects.push_back(horizontal ? ArrangeRect{0, start, across, size} : ArrangeRect{start, 0, size, across});
        at += size;
    }
    return rects;
}

std::vector<ArrangeRect> IconRowRects(int count, int areaWidth, int areaHeight, int iconWidth, int iconHeight) {
    std::vector<ArrangeRect> rects;
    if (count <= 0 || iconWidth <= 0 || iconHeight <= 0) return rects;
    const int perRow = std::max(areaWidth / iconWidth, 1);
    for (int i = 0; i < count; ++i) {
        const int column = i % perRow;
        const int row = i / perRow;
        rects.push_back({column * iconWidth, areaHeight - (row + 1) * iconHeight, iconWidth, iconHeight});
    }
    return rects;
}

}  // namespace hierman
