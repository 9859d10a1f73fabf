// The application status console's program-level decisions: the service
// check at start, the refresh clock (a timer asks, the next idle pass
// refreshes, never while a modal box or a start or stop is open), the
// initialising text, and the help table.
#pragma once

#include "CAPPSTATDoc.h"

#include <functional>
#include <string>

namespace appstat {

inline constexpr int kRefreshIntervalMs = 10000;
inline constexpr const char* kHelpFile = "admin/help/hvntmain.hlp";

// What the program's logic asks of the main window.
class AppHost {
public:
    virtual ~AppHost() = default;
    // Arms the repeating refresh timer; false when it could not be armed.
    virtual bool ArmRefreshTimer(int ms) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void Beep() = 0;
};

struct AppServices {
    panelaid::MessageBoxes& boxes;
    panelaid::StatusDisplay& painter;
    // 1 up, 0 down, -1 partly up.
    std::function<int()> testService;
    // 1 when the service was started.
    std::function<int()> startService;
    std::function<bool()> initializing;
};

struct HelpLookup {
    std::string file;
    int context = 0;
};

class CAPPSTATApp {
public:
    CAPPSTATApp(AppServices services, AppHost& host);

    // True when the console may run (the service is up, or was started).
    bool CheckService();
    // The document to refresh; none until the main window exists.
    void SetDocument(CAPPSTATDoc* doc) { doc_ = doc; }

    void OnTimer() { refreshRequested_ = true; }
    // An idle pass; `blocked` while a modal box, a start or a stop is open:
    // the refresh then waits for the first pass after it.
    void OnIdle(bool blocked);
    bool RefreshRequested() const { return refreshRequested_; }
    bool TimerArmed() const { return timerArmed_; }

    // The help file under root and the context of a help request: a
    // context request looks its id up (the first row, or row 0 when none
    // has it); any other request keeps its data.
    static HelpLookup WinHelp(int data, bool contextRequest, const std::string& root);

private:
    AppServices services_;
    AppHost& host_;
    CAPPSTATDoc* doc_ = nullptr;
    bool refreshRequested_ = false;
    bool timerArmed_ = false;
};

}  // namespace appstat
