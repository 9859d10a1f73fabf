// The console's help: which help file and context a help id opens.
#pragma once

#include <string>

namespace hierman {

inline constexpr int kCreateHierarchyHelpId = 0x18007;
inline constexpr int kHelpContents = 3;
// The main window's own help id.
inline constexpr int kMainWindowHelpId = 0x20080;

struct HelpLookup {
    std::string file;
    int context = 0;
};

// The first row of the help table for id: the root's help file and the row's
// context; the id itself when no row has it.
HelpLookup LookupHelp(int id, const std::string& root);

// The lookup for a help request: a kit item of the Create Hierarchy pop-up
// asks for the Create Hierarchy help.
HelpLookup HelpForRequest(int id, const std::string& root);

}  // namespace hierman
