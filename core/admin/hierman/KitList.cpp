#include "KitList.h"

namespace hierman {

std::vector<KitItem> ParseKitList(const std::vector<std::string>& lines) {
    std::vector<KitItem> items;
    for (const std::string& line : lines) {
        if (items.size() >= kMaxKitItems) break;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        items.push_back({line.substr(0, colon), line.substr(colon + 1)});
    }
    return items;
}

}  // namespace hierman
