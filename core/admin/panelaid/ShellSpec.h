// What makes one single-document console: its title, the name its one
// instance per display goes by, its help table and its menus. The shell
// (ConsoleShell) builds the window from it; the standard commands (Exit,
// the bar toggles, help, About, siblings, Stop) are carried out by the shell,
// the console's own ones by the functions given.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace panelaid {

// A help id (0x10000 + command, 0x20000 + resource, 0x30000 + prompt) and
// the help context it opens.
struct ShellHelpRow {
    int id = 0;
    int context = 0;
};

enum class ShellAction {
    Custom,          // runs `run`
    Separator,
    Exit,
    ToggleToolbar,
    ToggleStatusBar,
    HelpContents,
    UsingHelp,
    About,
    Stop,            // stop the cluster service, then end
    Sibling,         // raise or start another console
};

// A console raised or started by a Tools command.
struct ShellSibling {
    std::string program;    // "APPSTAT", "HWMAN", "HIERMAN"
    std::string binary;     // "appstat", "hwman", "hierman" under <root>/bin
    std::string errorName;  // after "Error Starting " when it cannot start
};

struct ShellItem {
    std::string text;       // with '&' before the mnemonic
    int id = 0;             // command id; its help id is 0x10000 + id
    std::string prompt;     // status-bar text, then "\n" and the tool tip
    ShellAction action = ShellAction::Custom;
    std::function<void()> run;        // Custom
    std::function<bool()> enabled;    // null: always enabled
    ShellSibling sibling;             // Sibling
};

// An item with its text, command id, prompt and action; the functions and
// the sibling are filled in afterwards where the action wants them.
inline ShellItem MakeShellItem(std::string text, int id, std::string prompt,
                               ShellAction action = ShellAction::Custom) {
    ShellItem item;
    item.text = std::move(text);
    item.id = id;
    item.prompt = std::move(prompt);
    item.action = action;
    return item;
}

struct ShellMenu {
    std::string title;
    std::vector<ShellItem> items;
};

// The context-help command (Shift+F1): the shell makes its action itself, so a
// toolbar may list it without a menu item.
inline constexpr int kContextHelpCommand = 57668;

struct ShellSpec {
    std::string title;               // window title; also chooses the settings key
    std::string program;             // instance name ("HWMAN")
    std::vector<ShellHelpRow> help;  // row 0 answers an id of no row
    std::string helpFile = "hvntmain.hlp";
    std::vector<ShellMenu> menus;
    std::vector<int> toolbar;        // command ids in order, 0 a separator
    std::string aboutTitle;
    std::string aboutText;
    int refreshMs = 10000;           // the refresh clock's period
};

// The prompt's status-bar part and its tool tip.
std::string PromptStatus(const std::string& prompt);
std::string PromptTip(const std::string& prompt);

}  // namespace panelaid
