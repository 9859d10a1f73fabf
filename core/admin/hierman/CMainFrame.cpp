#include "CMainFrame.h"

#include "CHiermanView.h"
#include "HelpTable.h"
#include "platform/TestTimeScale.h"

#include <unistd.h>

namespace hierman {

CMainFrame::CMainFrame(FrameServices services, FrameHost& host)
    : services_(std::move(services)), host_(host), processId_(std::to_string(static_cast<long>(getpid()))) {}

void CMainFrame::Say(const std::string& text, panelaid::BoxIcon icon) {
    panelaid::BoxRequest box;
    box.text = text;
    box.icon = icon;
    services_.boxes.Ask(box);
}

bool CMainFrame::CheckServiceAtStart() {
    const int state = services_.testService();
    if (state == 1) return true;
    if (state == -1) {
        Say("The Holdervane service is started, but not all\nrequired Holdervane processes are running. Please\n"
            "stop the Holdervane service throught the Control\nPanel - Services applet, and restart it.",
            panelaid::BoxIcon::Error);
        return false;
    }
    if (state != 0) return false;
    panelaid::BoxRequest ask;
    ask.text = "Holdervane is not running.\nDo you want to start it?\nSaying NO will quit this application.";
    ask.buttons = panelaid::BoxButtons::YesNo;
    if (services_.boxes.Ask(ask) != panelaid::BoxAnswer::Yes) return false;
    host_.ShowStatus("Starting Holdervane, Please Wait...");
    startStopRunning_ = true;
    const int started = services_.startStopService(true);
    startStopRunning_ = false;
    return started != 0;
}

void CMainFrame::WatchTick() {
    host_.StopWatchTimer();
    // An action's worker or a start or stop still runs: the window must stay
    // under it, so this tick only re-arms; the next one looks again.
    if (busy_ || startStopRunning_) {
        host_.ArmWatchTimer(kWatchIntervalMs);
        return;
    }
    if (services_.testService() != 0) {
        host_.RefreshAllViews();
        host_.ArmWatchTimer(kWatchIntervalMs);
        return;
    }
    Say(std::string("Holdervane does not appear to be running.  ") + kConsoleTitle + " will close now.");
    host_.DestroyMainWindow();
}

bool CMainFrame::StopHoldervane() {
    if (services_.initializing()) {
        Say("You cannot stop Holdervane while it is initializing.\n\nPlease wait for initialization to complete and "
            "try again.");
        return false;
    }
    if (busy_) {
        Say("You cannot stop Holdervane while an action request is being serviced.\n\nPlease wait for the requested "
            "action to complete and try again.");
        return false;
    }
    panelaid::BoxRequest ask;
    ask.text = "Do you want to stop Holdervane?";
    ask.buttons = panelaid::BoxButtons::YesNo;
    if (services_.boxes.Ask(ask) != panelaid::BoxAnswer::Yes) return false;
    host_.StopWatchTimer();
    startStopRunning_ = true;
    const int stopped = services_.startStopService(false);
    startStopRunning_ = false;
    if (stopped == 0) {
        // The service may still run or may be gone: keep watching it.
        host_.ArmWatchTimer(kWatchIntervalMs);
        return false;
    }
    host_.DestroyMainWindow();
    return true;
}

bool CMainFrame::MayClose() {
    if (!busy_) return true;
    Say("Please wait until the service request has completed before exiting.", panelaid::BoxIcon::Warning);
    return false;
}

std::vector<KitItem> CMainFrame::BuildKitMenu(panelaid::ScriptRunner& runner) {
    kitNames_.clear();
    std::vector<std::string> lines;
    // A failing list script gives an empty pop-up, whatever it printed.
    const int rc = runner.ExecuteWithin(portlib::platform::ScaledMs(kKitListLimitMs), kKitListScript, "");
    while (runner.LinesLeft() > 0) {
        std::string line = runner.NextLine();
        if (rc == 0) lines.push_back(std::move(line));
    }
    KitList list = ParseKitList(lines);
    for (const KitItem& item : list.items) kitNames_.push_back(item.name);
    // What went wrong with the list, in the status bar.
    std::string note;
    auto add = [&note](const std::string& sentence) { note += (note.empty() ? "" : ". ") + sentence; };
    if (rc != 0)
        add("The list of installed recovery kits could not be read (exit code " + std::to_string(rc) + ")");
    else if (list.items.empty())
        add("No recovery kits are installed");
    if (list.skipped > 0) add(std::to_string(list.skipped) + " lines of the recovery kit list were not understood");
    if (list.dropped > 0) add("Only the first " + std::to_string(kMaxKitItems) + " recovery kits are offered");
    if (!note.empty()) host_.ShowStatus(note);
    return std::move(list.items);
}

std::string CMainFrame::KitNameOf(int command) const {
    const long index = static_cast<long>(command) - kFirstKitCommand;
    if (index < 0 || index >= static_cast<long>(kitNames_.size())) return {};
    return kitNames_[static_cast<std::size_t>(index)];
}

void CMainFrame::UseLauncher(panelaid::Launcher* launcher, std::function<std::string()> rootDir) {
    launcher_ = launcher;
    rootDir_ = std::move(rootDir);
}

bool CMainFrame::LaunchSibling(Sibling sibling) {
    if (launcher_ == nullptr || !rootDir_) return false;
    const bool appstat = sibling == Sibling::ApplicationStatus;
    const char* binary = appstat ? "appstat" : "hwman";
    if (launcher_->ShowSibling(appstat ? "APPSTAT" : "HWMAN", binary) == 0) return true;
    Say(rootDir_() + "/bin/" + binary + " Not Found", panelaid::BoxIcon::Error);
    return false;
}

void CMainFrame::ShowHelp(int helpId) {
    if (launcher_ == nullptr || !rootDir_) return;
    const HelpLookup help = HelpForRequest(helpId, rootDir_());
    launcher_->ShowHelp(help.file, help.context);
}

}  // namespace hierman
