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

#include <memory>

class QMdiArea;

namespace hierman {

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
    HiermanViewWidget* ActiveView() const;

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
    void ShowKitMenu();

    ViewServices services_;
    panelaid::ScriptRunner& runner_;
    std::unique_ptr<panelaid::QtStatusDisplay> statusDisplay_;
    CMainFrame frame_;
    CMachineBar bar_;
    QMdiArea* mdi_;
    MachineBarWidget* barWidget_;
    QTimer watch_;
    QTimer click_;
};

}  // namespace hierman
