// The single-document console window: title, menus, toolbar and status bar
// built from a ShellSpec, one instance per display, the window placement kept
// in the settings, the refresh clock run from the event loop's idle moments
// (the timer only asks; the refresh runs when the loop is about to wait and
// no modal dialog or start or stop is open), help, siblings and Stop. The
// decisions are ShellFrame's; this class carries them out.
#pragma once

#include "QtConsoleInstance.h"
#include "QtStatusDisplay.h"
#include "ShellFrame.h"
#include "WindowSettings.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <memory>

class QAction;
class QToolBar;

namespace panelaid {

class ConsoleShell : public QMainWindow, public ShellHost {
    Q_OBJECT
public:
    // testService and startStop may be null: the library's test_holdervane
    // and start_stop_holdervane are used.
    ConsoleShell(ShellSpec spec, ShellServices services, WindowSettings& windows);
    ~ConsoleShell() override;

    ShellFrame& Frame() { return frame_; }
    const ShellSpec& Spec() const { return spec_; }
    // The status bar as the documents paint into it.
    StatusDisplay& Status() { return *status_; }
    void SetDocument(ShellDocument* document) { frame_.SetDocument(document); document_ = document; }
    void SetView(QWidget* view);
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return toolbar_; }

    // Start-up: one console per display (false when another was raised), the
    // saved placement, the service check (false: end), the document's reload.
    bool Start();
    // The parts of Start, for tests.
    bool ClaimInstance();
    void Place();
    int RaisesServed() const { return instance_ ? instance_->RaisesServed() : 0; }

    // ShellHost
    bool ArmRefreshTimer() override;
    void Beep() override;
    void ShowStatus(const std::string& text) override;
    bool ModalOpen() const override;
    void EndProgram() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void AddContextHelp();
    int CommandOf(const QAction* action) const;
    void Run(const ShellItem& item);
    void UpdateCommands();
    void IdlePass();
    void ShowAbout();

    ShellSpec spec_;
    WindowSettings& windows_;
    ShellFrame frame_;
    ShellDocument* document_ = nullptr;
    std::unique_ptr<QtStatusDisplay> status_;
    std::unique_ptr<QtConsoleInstance> instance_;
    QToolBar* toolbar_ = nullptr;
    QTimer clock_;
    std::map<int, QAction*> actions_;
    std::vector<std::pair<QAction*, std::function<bool()>>> enables_;
    WindowPlacement placement_;
    int toolbarVisible_ = 1;
    int statusVisible_ = 1;
    bool refreshPosted_ = false;
    bool ended_ = false;
};

}  // namespace panelaid
