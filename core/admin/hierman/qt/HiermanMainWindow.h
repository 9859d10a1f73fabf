// The hierarchy console's main window: one sub-window per shown system, the
// machine bar across the top, the watch timer, menus and the status bar. Its
// decisions are CMainFrame's and CMachineBar's; this class carries them out.
#pragma once

#include "CHiermanView.h"
#include "CMachineBar.h"
#include "CMainFrame.h"
#include "QtStatusDisplay.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <memory>

class QAction;
class QMdiArea;
class QToolBar;

namespace hierman {

class ConsoleActions;
class HiermanViewWidget;
class MachineBarWidget;

class HiermanMainWindow : public QMainWindow, public FrameHost, public MachineBarHost {
    Q_OBJECT
public:
    HiermanMainWindow(ViewServices services, FrameServices frame, std::function<int()> serviceUp,
                      panelaid::ScriptRunner& runner);
    ~HiermanMainWindow() override;

    CMainFrame& Frame() { return frame_; }
    CMachineBar& Bar() { return bar_; }
    // The administrator actions of the views.
    ConsoleActions& Actions() { return *actions_; }
    HiermanViewWidget* ActiveView() const;

    // The action of a command of the console's table (FrameCommands.h),
    // made on first use. Commands handled elsewhere start disabled: their
    // handler connects to triggered and enables them.
    QAction* Command(int id);
    QToolBar* MainToolBar() const { return mainToolBar_; }
    QToolBar* ToolsToolBar() const { return toolsToolBar_; }

    // Brings the commands that depend on the busy flag in line with it (the
    // menus do when they open, the watch at each tick).
    void UpdateCommandStates();

    // The Window menu's arrangements of the views' windows.
    void TileViews(bool horizontal);
    void ArrangeIcons();
    // The saved placement and bar visibilities: read before the window is
    // first shown, written when it closes.
    void RestoreSettings();
    void SaveSettings();

    // FrameHost
    void RefreshAllViews() override;
    void ArmWatchTimer(int ms) override { watch_.start(ms); }
    void StopWatchTimer() override { watch_.stop(); }
    void DestroyMainWindow() override;
    void ShowStatus(const std::string& text) override;

    // MachineBarHost
    void RepaintBar() override;
    void StartClickTimer() override;
    void StopClickTimer() override { click_.stop(); }
    void ShowInActiveView(const std::string& system) override;
    void OpenSystem(const std::string& system) override;
    void FocusActiveView() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBars();
    void ShowKitMenu();
    void ShowAbout();
    void EnterContextHelp();
    // Wires a view's help requests to the frame's help.
    void FollowHelp(HiermanViewWidget* view);

    ViewServices services_;
    panelaid::ScriptRunner& runner_;
    std::unique_ptr<panelaid::QtStatusDisplay> statusDisplay_;
    CMainFrame frame_;
    CMachineBar bar_;
    QMdiArea* mdi_;
    MachineBarWidget* barWidget_;
    QTimer watch_;
    QTimer click_;
    std::map<int, QAction*> commands_;
    ConsoleActions* actions_ = nullptr;
    QToolBar* mainToolBar_ = nullptr;
    QToolBar* toolsToolBar_ = nullptr;
};

}  // namespace hierman
