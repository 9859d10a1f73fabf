#include "KitList.h"

namespace hierman {

KitList ParseKitList(const std::vector<std::string>& lines) {
    KitList list;
    for (const std::string& line : lines) {
        const std::size_t colon = line.find(':');
        // An item needs a kit name to create with and a label to show.
        if (colon == std::string::npos || colon == 0 || colon + 1 == line.size()) {
            ++list.skipped;
            continue;
        }
        if (list.items.size() >= kMaxKitItems) {
            ++list.dropped;
            continue;
        }
        list.items.push_back({line.substr(0, colon), line.substr(colon + 1)});
    }
    return list;
}

}  // namespace hierman
