// The Window menu's own arrangements: both tiles share the area without
// gaps or overlap, and minimized windows line up along the bottom.
#include "WindowArrange.h"

#include <gtest/gtest.h>

namespace hierman {
namespace {

TEST(WindowArrange, TilesShareTheAreaAndGiveTheRestToTheFirst) {
    struct Case { int count, width, height; bool horizontal; std::vector<ArrangeRect> rects; } cases[] = {
        {0, 600, 400, true, {}},
        {1, 600, 400, true, {{0, 0, 600, 400}}},
        {3, 600, 400, true, {{0, 0, 600, 134}, {0, 134, 600, 133}, {0, 267, 600, 133}}},
        {2, 601, 400, false, {{0, 0, 301, 400}, {301, 0, 300, 400}}},
        // More windows than pixels: each keeps one, the last ones pile at the edge.
        {3, 600, 2, true, {{0, 0, 600, 1}, {0, 1, 600, 1}, {0, 1, 600, 1}}},
        {1, 0, 0, false, {{0, 0, 1, 1}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TileRects(c.count, c.width, c.height, c.horizontal), c.rects)
            << c.count << " in " << c.width << "x" << c.height;
}

TEST(WindowArrange, IconsFillRowsFromTheBottomLeft) {
    EXPECT_EQ(IconRowRects(5, 350, 400, 160, 30),
              (std::vector<ArrangeRect>{{0, 370, 160, 30}, {160, 370, 160, 30}, {0, 340, 160, 30},
                                        {160, 340, 160, 30}, {0, 310, 160, 30}}));
    // An area narrower than one icon still takes one per row.
    EXPECT_EQ(IconRowRects(2, 100, 400, 160, 30),
              (std::vector<ArrangeRect>{{0, 370, 160, 30}, {0, 340, 160, 30}}));
    EXPECT_TRUE(IconRowRects(3, 100, 400, 0, 30).empty());
}

}  // namespace
}  // namespace hierman
