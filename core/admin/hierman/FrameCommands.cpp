#include "FrameCommands.h"

namespace hierman {

namespace {

constexpr CommandText kCommands[] = {
    {kCmdInService, "&In Service", "Bring Hierarchy In Service\nIn Service"},
    {kCmdOutService, "&Out Service", "Bring Hierarchy Out of Service\nOut Service"},
    {kCmdCreateDependency, "&Create Dependency", "Create a Dependency Link between two Resources\nCreate Dep"},
    {kCmdDeleteDependency, "&Delete Dependency", "Delete a Dependency Link between two Resources\nDelete Dep"},
    {kCmdCreateHierarchy, "C&reate Hierarchy ...", "Create an Application Hierarchy\nCreate Hierarchy"},
    {kCmdDeleteHierarchy, "D&elete Hierarchy", "Delete a Hierarchy from the Holdervane Database\nDelete Hierarchy"},
    {kCmdAttributes, "&Attributes", "Display the attributes for the selected resource"},
    {kCmdExit, "&Exit", "Exit from the Application Status + Administration program"},
    {kCmdExpand, "E&xpand", "Show immediate child dependencies for the selected resources"},
    {kCmdCollapse, "C&ollapse", "Hide all child dependencies for the selected resources"},
    {kCmdExpandTree, "&Expand Tree", "Show all the hidden resources for the selected hierarchies"},
    {kCmdCollapseTree, "&Collapse Tree", "Hide all the hidden resources from the selected hierarchies"},
    {kCmdApplicationStatus, "&Application Status", "Invoke the Application Status Dispay program"},
    {kCmdHardwareAdmin, "&Hardware Admin.", "Invoke the Hardware Status and Administration program"},
    {kCmdStopHoldervane, "&Stop Holdervane", "Stop Holdervane services and exit application"},
    {kCmdToolsToolbar, "T&ools Toolbar", "Show/Hide the Application Toolbar"},
    {kCmdMainToolbar, "&Toolbar", "Show or hide the main toolbar\nToolbar"},
    {kCmdStatusBar, "&Status Bar", "Show or hide the status bar\nStatus Bar"},
    {kCmdCascade, "&Cascade", "Overlap the windows, each title visible\nCascade"},
    {kCmdTileHorizontally, "Tile &Horizontally", "Lay the windows one above the other\nTile Horizontally"},
    {kCmdTileVertically, "&Tile Vertically", "Lay the windows side by side\nTile Vertically"},
    {kCmdArrangeIcons, "&Arrange Icons", "Line up the minimized windows along the bottom\nArrange Icons"},
    {kCmdAbout, "&About Hierarchy Status and Administration...",
     "Show the program's name\nAbout"},
    {kCmdHelpContents, "Holdervane &Contents", "Open the help's contents\nContents"},
    {kCmdUsingHelp, "&Using Help", "How to use the help\nUsing Help"},
    {kCmdContextHelp, "", "Help on the next window or command clicked\nContext Help"},
    {kCmdHelp, "", "Help on the current window\nHelp"},
};

}  // namespace

const CommandText* FindCommand(int id) {
    for (const CommandText& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

PromptParts SplitPrompt(const CommandText& command) {
    const std::string prompt = command.prompt;
    const std::size_t cut = prompt.find('\n');
    if (cut != std::string::npos) return {prompt.substr(0, cut), prompt.substr(cut + 1)};
    std::string tip;
    for (const char* p = command.menu; *p != '\0'; ++p)
        if (*p != '&') tip += *p;
    return {prompt, tip};
}

}  // namespace hierman
