// The hierarchy console's main-frame decisions: the service check at start,
// the five-second watch of the service, the guard while an action runs, Stop,
// the Create Hierarchy pop-up's items and the close guard. The Qt main window
// carries them out.
#pragma once

#include "KitList.h"
#include "Launcher.h"
#include "MessageBoxes.h"
#include "ScriptRunner.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace hierman {

inline constexpr int kWatchIntervalMs = 5000;

// What the frame's decisions ask of the main window.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    virtual void RefreshAllViews() = 0;
    virtual void ArmWatchTimer(int ms) = 0;
    virtual void StopWatchTimer() = 0;
    // Ends the program once the current call has returned.
    virtual void DestroyMainWindow() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
};

struct FrameServices {
    panelaid::MessageBoxes& boxes;
    // 1 up, 0 down, -1 partly up.
    std::function<int()> testService;
    // 1 when the service was started (start) or stopped.
    std::function<int(bool start)> startStopService;
    // Whether the database is still bringing the resources up.
    std::function<bool()> initializing;
};

class CMainFrame {
public:
    CMainFrame(FrameServices services, FrameHost& host);

    // The service check at start: true when the console may run.
    bool CheckServiceAtStart();
    void WatchTick();
    // Stop Holdervane from a view; true when the service was stopped.
    bool StopHoldervane();

    void SetBusy(bool busy) { busy_ = busy; }
    bool Busy() const { return busy_; }
    bool CreateHierarchyEnabled() const { return !busy_; }
    // False (after the wait message) while an action runs.
    bool MayClose();

    // Runs the kit list script and keeps the kit names; the items to show.
    std::vector<KitItem> BuildKitMenu(panelaid::ScriptRunner& runner);
    // The kit name of a pop-up command; "" outside the items.
    std::string KitNameOf(int command) const;

    const std::string& ProcessIdText() const { return processId_; }

    // The launcher and the root directory the siblings and the help are
    // found under; without them both do nothing.
    void UseLauncher(panelaid::Launcher* launcher, std::function<std::string()> rootDir);
    enum class Sibling { ApplicationStatus, HardwareAdmin };
    // Brings the sibling console forward or starts it; false (after the
    // "Not Found" box) when it could not be started.
    bool LaunchSibling(Sibling sibling);
    // Opens the help for a help id: a kit item's id asks for the Create
    // Hierarchy help, 0 (or a row without a context) for the contents.
    void ShowHelp(int helpId);

private:
    void Say(const std::string& text, panelaid::BoxIcon icon = panelaid::BoxIcon::None);

    FrameServices services_;
    FrameHost& host_;
    std::string processId_;
    std::atomic<bool> busy_{false};
    bool startStopRunning_ = false;
    std::vector<std::string> kitNames_;
    panelaid::Launcher* launcher_ = nullptr;
    std::function<std::string()> rootDir_;
};

}  // namespace hierman
