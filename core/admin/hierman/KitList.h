// The Create Hierarchy pop-up's items, from the output lines of the installed
// kits' list script: "<kit name>:<label>" per line.
#pragma once

#include <string>
#include <vector>

namespace hierman {

inline constexpr int kFirstKitCommand = 0xD000;
// The kit items' command range: 0xD000 to 0xDFFF.
inline constexpr std::size_t kMaxKitItems = 0x1000;
inline constexpr const char* kKitListScript = "/admin/bin/KitList";

struct KitItem {
    std::string name;   // before the first ':'
    std::string label;  // after it
};

// Lines without a ':' or beginning with one give no item; at most
// kMaxKitItems items.
std::vector<KitItem> ParseKitList(const std::vector<std::string>& lines);

}  // namespace hierman
