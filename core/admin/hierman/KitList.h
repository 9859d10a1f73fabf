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
// The list script's run is bounded so that a hanging one cannot hold the
// console (which takes no input while it waits); a sound one ends far sooner.
inline constexpr unsigned kKitListLimitMs = 10000;

struct KitItem {
    std::string name;   // before the first ':'
    std::string label;  // after it
};

struct KitList {
    std::vector<KitItem> items;
    int skipped = 0;  // lines without a kit name or a label
    int dropped = 0;  // good lines past kMaxKitItems
};

// Lines without a ':', beginning with one or ending at it give no item; at
// most kMaxKitItems items.
KitList ParseKitList(const std::vector<std::string>& lines);

}  // namespace hierman
