// A list box's or combo box's entries as the pages keep them; the widgets
// draw them and forward each change of selection.
#pragma once

#include <string>
#include <vector>

namespace dbguard {

struct ListItem {
    std::string text;
    bool selected = false;
};

using PageList = std::vector<ListItem>;

// The index of the first entry equal to text without regard to case; -1 when none.
int FindExactIgnoringCase(const PageList& list, const std::string& text);
// The index of the first entry that begins with prefix without regard to
// case (a combo box's prefix search); -1 when none.
int FindPrefixIgnoringCase(const std::vector<std::string>& items, const std::string& prefix);
bool AnySelected(const PageList& list);
void SelectAll(PageList& list);
std::vector<std::string> SelectedTexts(const PageList& list);

}  // namespace dbguard
