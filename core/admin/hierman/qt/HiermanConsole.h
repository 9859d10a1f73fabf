// The console as the program runs it: the main window on the library's real
// parts (database, message boxes, settings, service control, launcher), the
// script runner, and the service's start and stop behind a progress box.
#pragma once

#include "HiermanMainWindow.h"
#include "PanelaidLibrary.h"
#include "ProcessScriptRunner.h"

#include <memory>

namespace hierman {

class HiermanConsole {
public:
    explicit HiermanConsole(panelaid::PanelaidLibrary& lib);
    ~HiermanConsole();

    HiermanMainWindow& Window() { return *window_; }
    // Shows the window at its saved place, checks the service, arms the
    // watch and opens the local system's view; false when the console may
    // not run.
    bool Start();

private:
    panelaid::PanelaidLibrary& lib_;
    panelaid::ProcessScriptRunner runner_;
    std::unique_ptr<HiermanMainWindow> window_;
};

}  // namespace hierman
