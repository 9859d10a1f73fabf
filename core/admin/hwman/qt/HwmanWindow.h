// The hardware console put together: the single-document shell with
// hwman's title, help table and menus, the view (which hosts the document)
// as its centre.
#pragma once

#include "ConsoleShell.h"
#include "HwmanView.h"

#include <memory>

namespace hwman {

struct HwmanParts {
    panelaid::ConsoleDatabase& db;
    panelaid::MessageBoxes& boxes;
    panelaid::Launcher& launcher;
    panelaid::WindowSettings& windows;
    PathResources& resources;
    // Null: the library's test_holdervane and start_stop_holdervane.
    std::function<int()> testService;
    std::function<int(bool start)> startStop;
    int refreshMs = 10000;
};

panelaid::ShellSpec HwmanSpec(std::function<HwmanView*()> view);

class HwmanWindow {
public:
    explicit HwmanWindow(HwmanParts parts);
    ~HwmanWindow();

    panelaid::ConsoleShell& Shell() { return *shell_; }
    HwmanView& View() { return *view_; }
    CHWMANDoc& Doc() { return view_->Doc(); }
    bool Start() { return shell_->Start(); }

private:
    std::unique_ptr<panelaid::ConsoleShell> shell_;
    std::unique_ptr<FigureServices> services_;
    HwmanView* view_ = nullptr;
};

}  // namespace hwman
