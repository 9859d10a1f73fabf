#include "AppstatSpec.h"

namespace appstat {

namespace {

using panelaid::ShellAction;
using panelaid::MakeShellItem;
using panelaid::ShellItem;

// Help ids: 0x10000 + command, 0x20000 + resource, 0x30000 + prompt. Row 0
// (the main window) answers ids that no row has.
const std::vector<panelaid::ShellHelpRow> kHelpRows = {
    {0x20080, 500},  {0x3E003, 500},  {0x18003, 2005}, {0x18004, 2005}, {0x18005, 2005}, {0x18006, 2005},
    {0x1E141, 2005}, {0x18007, 2011}, {0x18008, 2011}, {0x1800E, 2011}, {0x1E800, 2010}, {0x1E801, 2010},
    {0x18009, 2012}, {0x1E143, 2012}, {0x1E140, 2012}, {0x1EF12, 500},  {0x1EF01, 500},  {0x1EF00, 500},
    {0x1EF02, 500},  {0x1EF03, 500},  {0x1EF04, 500},  {0x1EF05, 500},  {0x1EF06, 500},
};

ShellItem TreeItem(const char* text, int id, const char* prompt, TreeCommand command, const TreeCommandHooks& hooks) {
    ShellItem item = MakeShellItem(text, id, prompt, ShellAction::Custom);
    item.run = [run = hooks.run, command] { run(command); };
    item.enabled = [enabled = hooks.enabled, command] { return enabled(command); };
    return item;
}

ShellItem Sibling(const char* text, int id, const char* prompt, const char* program, const char* binary,
                  const char* errorName) {
    ShellItem item = MakeShellItem(text, id, prompt, ShellAction::Sibling);
    item.sibling = {program, binary, errorName};
    return item;
}

}  // namespace

panelaid::ShellSpec MakeAppstatSpec(TreeCommandHooks hooks) {
    panelaid::ShellSpec spec;
    spec.title = kConsoleTitle;
    spec.program = "APPSTAT";
    spec.help = kHelpRows;
    spec.aboutTitle = "About Application Status Display";
    spec.aboutText = kConsoleTitle;
    spec.refreshMs = 10000;
    const ShellItem separator = MakeShellItem("", 0, "", ShellAction::Separator);
    spec.menus = {
        {"&Tree",
         {TreeItem("&Expand", kCommandExpand, "Expand the selected application tree(s).\nExpand", TreeCommand::Expand,
                   hooks),
          TreeItem("&Collapse", kCommandCollapse, "Collapse the selected application tree(s).\nCollapse",
                   TreeCommand::Collapse, hooks),
          TreeItem("Expand &All", kCommandExpandAll, "Expand all application trees.\nExpand All",
                   TreeCommand::ExpandAll, hooks),
          TreeItem("C&ollapse All", kCommandCollapseAll, "Collapse all application trees.\nCollapse All",
                   TreeCommand::CollapseAll, hooks),
          separator,
          MakeShellItem("E&xit", 57665, "Quit the application\nExit", ShellAction::Exit)}},
        {"T&ools",
         {Sibling("&Hardware Admin.", kCommandHardwareAdmin,
                  "Invokes Holdervane Hardware Administration Application\n Hardware Admin.", "HWMAN", "hwman",
                  "Hardware Status And Administration"),
          Sibling("H&ierarchy Admin.", kCommandHierarchyAdmin,
                  "Invokes Holdervane Heirarchy Administration Application\n Hierarchy Admin.", "HIERMAN", "hierman",
                  "Heirarchy Status And Administration"),
          MakeShellItem("&Stop Holdervane", kCommandStop, "Stop Holdervane", ShellAction::Stop)}},
        {"&View",
         {MakeShellItem("&Toolbar", 59392, "Show or hide the toolbar\nToggle ToolBar", ShellAction::ToggleToolbar),
          MakeShellItem("&Status Bar", 59393, "Show or hide the status bar\nToggle StatusBar", ShellAction::ToggleStatusBar)}},
        {"&Help",
         {MakeShellItem("Holdervane &Content", kCommandContents, "List Help contents\nHelp Contents", ShellAction::HelpContents),
          MakeShellItem("&Using Help", 57667, "Display instructions about how to use help\nHelp", ShellAction::UsingHelp),
          separator,
          MakeShellItem("&About Application Status Display...", 57664,
               "Display program information, version number and copyright\nAbout", ShellAction::About)}},
    };
    spec.toolbar = {kCommandExpand, kCommandCollapse, kCommandExpandAll, kCommandCollapseAll, 0,
                    kCommandHardwareAdmin, kCommandHierarchyAdmin, 0, 57664, panelaid::kContextHelpCommand};
    return spec;
}

}  // namespace appstat
