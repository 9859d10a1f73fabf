#include "PageList.h"

#include <algorithm>
#include <cctype>

namespace dbguard {

namespace {

bool SameIgnoringCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

int FindExactIgnoringCase(const PageList& list, const std::string& text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string& t = list[i].text;
        if (t.size() == text.size() && std::equal(t.begin(), t.end(), text.begin(), SameIgnoringCase))
            return static_cast<int>(i);
    }
    return -1;
}

int FindPrefixIgnoringCase(const std::vector<std::string>& items, const std::string& prefix) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& t = items[i];
        if (t.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), t.begin(), SameIgnoringCase))
            return static_cast<int>(i);
    }
    return -1;
}

bool AnySelected(const PageList& list) {
    return std::any_of(list.begin(), list.end(), [](const ListItem& i) { return i.selected; });
}

void SelectAll(PageList& list) {
    for (ListItem& i : list) i.selected = true;
}

std::vector<std::string> SelectedTexts(const PageList& list) {
    std::vector<std::string> out;
    for (const ListItem& i : list)
        if (i.selected) out.push_back(i.text);
    return out;
}

}  // namespace dbguard
