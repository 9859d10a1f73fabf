// The single-document console's frame decisions, as plain logic: the service
// check at start, the refresh clock (a tick only asks for a refresh; the
// next idle pass runs it unless a modal dialog or a start or stop is open),
// the service watch at each refresh, help look-up, siblings and Stop. The
// Qt window (ConsoleShell) carries them out.
#pragma once

#include "ConsoleDatabase.h"
#include "Launcher.h"
#include "MessageBoxes.h"
#include "ShellSpec.h"

#include <functional>
#include <string>

namespace panelaid {

// What the console's document does for the shell.
class ShellDocument {
public:
    virtual ~ShellDocument() = default;
    // Once, after the service check at start.
    virtual void Reload() = 0;
    // From the idle pass after a tick, once the service was found up.
    virtual void Refresh() = 0;
    // Before the window closes.
    virtual void Closing() {}
};

// What the frame asks of its window.
class ShellHost {
public:
    virtual ~ShellHost() = default;
    // False when the clock could not be armed.
    virtual bool ArmRefreshTimer() = 0;
    virtual void Beep() = 0;
    // The status bar's text, painted at once.
    virtual void ShowStatus(const std::string& text) = 0;
    // Whether a modal dialog or box is open.
    virtual bool ModalOpen() const = 0;
    // Ends the program once the current call has returned.
    virtual void EndProgram() = 0;
};

struct ShellServices {
    ConsoleDatabase& db;
    MessageBoxes& boxes;
    Launcher& launcher;
    // 1 up, -1 partly up, 0 down.
    std::function<int()> testService;
    // 1 when the service was started (start) or stopped.
    std::function<int(bool start)> startStop;
};

inline constexpr const char* kInitializingText = "Holdervane is initializing.";

class ShellFrame {
public:
    ShellFrame(const ShellSpec& spec, ShellServices services, ShellHost& host);

    void SetDocument(ShellDocument* document) { document_ = document; }

    // True when the console may run.
    bool CheckServiceAtStart();

    // The clock's tick: only asks for a refresh.
    void Tick() { refreshRequested_ = true; }
    bool RefreshRequested() const { return refreshRequested_; }
    bool TimerArmed() const { return timerArmed_; }
    // One idle pass: arms the clock, runs a requested refresh when nothing
    // modal is open, shows the initialising text. True when a refresh ran.
    bool OnIdle();
    // Whether an idle pass would run the refresh now.
    bool RefreshDue() const;
    // The refresh itself: a service found down ends the program.
    void RefreshNow();

    // While true (a start or stop runs) the refresh waits.
    void SetBusy(bool busy) { busy_ = busy; }
    bool Busy() const { return busy_; }

    // The context of a help id: its row's, or row 0's when no row has it.
    int HelpContext(int helpId) const;
    void ShowHelp(int helpId);
    void ShowHelpContents();

    void ShowSibling(const ShellSibling& sibling);
    // True when the service was stopped (the program then ends).
    bool Stop();

    const std::string& Title() const { return spec_.title; }

private:
    void Say(const std::string& text, BoxIcon icon = BoxIcon::None);
    bool YesNo(const std::string& text);
    int RunStartStop(bool start);

    const ShellSpec& spec_;
    ShellServices services_;
    ShellHost& host_;
    ShellDocument* document_ = nullptr;
    bool timerArmed_ = false;
    bool refreshRequested_ = false;
    bool busy_ = false;
    bool refreshing_ = false;
};

}  // namespace panelaid
