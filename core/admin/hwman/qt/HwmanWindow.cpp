#include "HwmanWindow.h"

#include <QApplication>

namespace hwman {

namespace {

using panelaid::ShellAction;
using panelaid::MakeShellItem;
using panelaid::ShellItem;

ShellItem Custom(const char* text, int id, const char* prompt, std::function<void()> run,
                 std::function<bool()> enabled = {}) {
    ShellItem item = MakeShellItem(text, id, prompt);
    item.run = std::move(run);
    item.enabled = std::move(enabled);
    return item;
}

ShellItem Sibling(const char* text, int id, const char* prompt, panelaid::ShellSibling sibling) {
    ShellItem item = MakeShellItem(text, id, prompt, ShellAction::Sibling);
    item.sibling = std::move(sibling);
    return item;
}

}  // namespace

panelaid::ShellSpec HwmanSpec(std::function<HwmanView*()> view) {
    panelaid::ShellSpec spec;
    spec.title = kConsoleTitle;
    spec.program = "HWMAN";
    spec.help = {
        {0x20080, 4500}, {0x3E003, 4500}, {0x1800A, 3004}, {0x1800B, 3004}, {0x1800C, 3004}, {0x1E141, 3004},
        {0x18008, 3005}, {0x18009, 3005}, {0x1800D, 3012}, {0x1800E, 3012}, {0x18007, 3012}, {0x1E800, 3011},
        {0x1E801, 3011}, {0x1800F, 3013}, {0x1E143, 3013}, {0x1E140, 3013}, {0x20067, 4002}, {0x20088, 4004},
        {0x2008B, 3006}, {0x1EF00, 4500}, {0x1EF01, 4500}, {0x1EF02, 4500}, {0x1EF03, 4500}, {0x1EF04, 4500},
        {0x1EF05, 4500}, {0x1EF06, 4500}, {0x1EF12, 4500},
    };
    auto on = [view](void (HwmanView::*command)()) {
        return [view, command] {
            if (HwmanView* v = view()) (v->*command)();
        };
    };
    auto when = [view](bool (HwmanView::*test)() const) {
        return [view, test] {
            HwmanView* v = view();
            return v != nullptr && (v->*test)();
        };
    };
    ShellItem separator;
    separator.action = ShellAction::Separator;
    spec.menus = {
        {"Comm&Path",
         {Custom("&Create...", 32778, "Pops up a dialog box to create a communication path\nCreate CommPath",
                 on(&HwmanView::CreateCommPath), when(&HwmanView::CreateEnabled)),
          Custom("&Delete", 32779, "Delete the selected comm path\n Delete CommPath", on(&HwmanView::DeleteCommPath),
                 when(&HwmanView::DeleteEnabled)),
          Custom("&Attribute...", 32780, "Display attributes of the selected comm path\nAttributes of CommPath",
                 on(&HwmanView::PathAttributes), when(&HwmanView::AttributesEnabled)),
          separator,
          MakeShellItem("E&xit", 57665, "Quit the Hardware Status And Administration application\nExit", ShellAction::Exit)}},
        {"&Options",
         {Custom("&Shutdown Strategy...", 32777,
                 "Pops a dialog box to change the Holdervane shutdown strategy\nShutdown Strategy",
                 on(&HwmanView::ShutdownStrategy)),
          Custom("View &Log", 32776, "Invokes Windows NT Event Viewer Application\nView Log", on(&HwmanView::ViewLog))}},
        {"&Tools",
         {Sibling("&Application Status", 32781, "Invoke Application Status Display application\nApplication Status",
                  {"APPSTAT", "appstat", "Application Status Display"}),
          Sibling("&Hierarchy Admin.", 32782, "Invoke Heirarchy Status and Administration application\nHeirarchy Admin.",
                  {"HIERMAN", "hierman", "Heirarchy Status And Administration"}),
          MakeShellItem("&Stop Holdervane", 32775, "Stop Holdervane", ShellAction::Stop)}},
        {"&View",
         {MakeShellItem("&Toolbar", 59392, "Show or hide the toolbar\nToggle ToolBar", ShellAction::ToggleToolbar),
          MakeShellItem("&Status Bar", 59393, "Show or hide the status bar\nToggle StatusBar", ShellAction::ToggleStatusBar)}},
        {"&Help",
         {MakeShellItem("Holdervane &Contents", 32783, "", ShellAction::HelpContents),
          MakeShellItem("&Using Help", 57667, "Display instructions about how to use help\nHelp", ShellAction::UsingHelp),
          MakeShellItem("&About Hardware Status And Administration...", 57664, "Display program information\nAbout",
               ShellAction::About)}},
    };
    spec.toolbar = {32778, 32779, 0, 32776, 0, 32781, 32782, 0, 57664, panelaid::kContextHelpCommand};
    spec.aboutTitle = "About Hardware Status and Administration";
    spec.aboutText = "Holdervane: Hardware Administration";
    return spec;
}

HwmanWindow::HwmanWindow(HwmanParts parts) {
    panelaid::ShellSpec spec = HwmanSpec([this] { return view_; });
    spec.refreshMs = parts.refreshMs;
    shell_ = std::make_unique<panelaid::ConsoleShell>(
        std::move(spec),
        panelaid::ShellServices{parts.db, parts.boxes, parts.launcher, parts.testService, parts.startStop},
        parts.windows);
    services_ = std::make_unique<FigureServices>(
        FigureServices{parts.db, parts.boxes, shell_->Status(), [] { QApplication::beep(); }});
    view_ = new HwmanView(*services_, parts.windows, parts.resources, parts.launcher);
    view_->OnTitle([this](const std::string& name) {
        shell_->setWindowTitle(QString::fromStdString(name + " - " + kConsoleTitle));
    });
    view_->OnHelp([this](int id) { shell_->Frame().ShowHelp(id); });
    shell_->SetView(view_);
    shell_->SetDocument(&view_->Doc());
}

HwmanWindow::~HwmanWindow() = default;

}  // namespace hwman
