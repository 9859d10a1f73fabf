// A rectangle in the console's logical pixels: left and top inside, right
// and bottom just outside, as the drawing code and the hit tests use it.
#pragma once

#include <algorithm>

namespace appstat {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    // Whether the other rectangle lies wholly inside this one.
    bool Holds(const Rect& o) const { return o.left >= left && o.top >= top && o.right <= right && o.bottom <= bottom; }
    Rect Grown(int by) const { return Rect{left - by, top - by, right + by, bottom + by}; }
    Rect Moved(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Joined(const Rect& o) const {
        if (o.Empty()) return *this;
        if (Empty()) return o;
        return Rect{std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
    }
    bool operator==(const Rect&) const = default;
};

}  // namespace appstat
