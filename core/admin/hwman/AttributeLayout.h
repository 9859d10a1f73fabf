// What the path attributes dialog shows for a path's type: its title, which
// device controls are visible and how much shorter than full height it is.
#pragma once

#include <string>

namespace hwman {

struct AttributeLayout {
    std::string title;
    bool port = false;
    bool serial = false;  // the serial port and its baud rate
    bool volume = false;
    int shorterBy = 0;    // pixels off the full height
};

inline constexpr int kAttributesShorterBy = 29;
inline constexpr int kDialogShorterBy = 30;

AttributeLayout AttributeLayoutFor(const std::string& type);

}  // namespace hwman
