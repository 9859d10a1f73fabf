// The description of the view's text font for one icon size, as the font
// dialog gives it back.
#pragma once

#include <cstdint>
#include <string>

namespace hierman {

struct ViewFont {
    std::string face = "Arial";
    int height = -16;  // negative: the characters' height in pixels
    int weight = 0;    // 0 normal; 700 and above bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const ViewFont&) const = default;
};

// The font of a size index (0, 1, 2) before anyone chose one.
inline ViewFont DefaultViewFont(int sizeIndex) {
    ViewFont font;
    font.height = sizeIndex == 1 ? -12 : sizeIndex == 2 ? -8 : -16;
    return font;
}

}  // namespace hierman
