// The console's commands: their ids, menu texts and prompts. A prompt is the
// status-bar text, then after "\n" the tool tip. The Qt main window makes one
// action per id from this table; whoever handles a command connects to it.
#pragma once

#include <string>

namespace hierman {

enum CommandId : int {
    kCmdOutService = 32771,
    kCmdInService = 32772,
    kCmdCreateDependency = 32773,
    kCmdDeleteDependency = 32774,
    kCmdCreateHierarchy = 32775,
    kCmdDeleteHierarchy = 32776,
    kCmdExit = 32777,
    kCmdExpandTree = 32779,
    kCmdCollapseTree = 32780,
    kCmdAttributes = 32781,
    kCmdApplicationStatus = 32782,
    kCmdHardwareAdmin = 32783,
    kCmdToolsToolbar = 32786,
    kCmdExpand = 32787,
    kCmdCollapse = 32788,
    kCmdStopHoldervane = 32789,
    // The standard commands, with the numbers their help ids are made from.
    kCmdMainToolbar = 0xE800,
    kCmdStatusBar = 0xE801,
    kCmdCascade = 0xE130,
    kCmdTileHorizontally = 0xE132,
    kCmdArrangeIcons = 0xE131,
    kCmdTileVertically = 0xE133,
    kCmdAbout = 0xE140,
    kCmdHelpContents = 0xE142,
    kCmdUsingHelp = 0xE144,
    kCmdContextHelp = 0xE145,
    kCmdHelp = 0xE146,
};

struct CommandText {
    int id;
    const char* menu;    // "" for a toolbar-only command
    const char* prompt;  // status text "\n" tool tip; either may be empty
};

// The row of id; null for an id outside the table.
const CommandText* FindCommand(int id);

struct PromptParts {
    std::string status;
    std::string tip;
};

// Splits a prompt at its first "\n"; without one the tool tip is the menu
// text without its '&'.
PromptParts SplitPrompt(const CommandText& command);

}  // namespace hierman
