// The application status console put together: the single-document shell
// with the console's spec, the document, and the view's window as the
// shell's central widget. It carries out what the document asks of the
// window.
#pragma once

#include "AppstatViewWidget.h"
#include "ConsoleShell.h"

#include <memory>

namespace appstat {

class AppstatConsole : public DocHost {
public:
    // testService and startStop may be null: the library's own are used.
    AppstatConsole(panelaid::ShellServices services, panelaid::WindowSettings& windows);
    ~AppstatConsole() override;

    panelaid::ConsoleShell& Shell() { return *shell_; }
    CAPPSTATDoc& Doc() { return *doc_; }
    AppstatViewWidget& View() { return *view_; }
    // One console per display, the placement, the service check, the load.
    bool Start() { return shell_->Start(); }

    // DocHost
    void UpdateAllViews() override;
    void SetWaitCursor(bool on) override;
    void SetStatusText(const std::string& text) override;
    void Beep() override;

private:
    std::unique_ptr<panelaid::ConsoleShell> shell_;
    std::unique_ptr<CAPPSTATDoc> doc_;
    AppstatViewWidget* view_ = nullptr;
    bool waitCursor_ = false;
};

}  // namespace appstat
