// Where the Window menu puts the views' windows: the two tiles (Qt tiles only
// as a grid) and the minimized windows' row along the bottom. Plain
// geometry, in the pixels of the area the windows share.
#pragma once

#include <vector>

namespace hierman {

struct ArrangeRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ArrangeRect&) const = default;
};

// count windows over the area: horizontally tiled windows lie one above the
// other at full width, vertically tiled ones side by side at full height.
// The area's rest pixels go to the first windows; every window keeps at
// least one pixel, so a small area lets windows overlap at its far edge.
std::vector<ArrangeRect> TileRects(int count, int areaWidth, int areaHeight, bool horizontal);

// count minimized windows of one size in rows along the bottom, left to
// right, a new row above when a row is full.
std::vector<ArrangeRect> IconRowRects(int count, int areaWidth, int areaHeight, int iconWidth, int iconHeight);

}  // namespace hierman
