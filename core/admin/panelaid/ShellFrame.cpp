#include "ShellFrame.h"

namespace panelaid {

std::string PromptStatus(const std::string& prompt) { return prompt.substr(0, prompt.find('\n')); }

std::string PromptTip(const std::string& prompt) {
    const std::size_t nl = prompt.find('\n');
    return nl == std::string::npos ? std::string() : prompt.substr(nl + 1);
}

ShellFrame::ShellFrame(const ShellSpec& spec, ShellServices services, ShellHost& host)
    : spec_(spec), services_(std::move(services)), host_(host) {}

void ShellFrame::Say(const std::string& text, BoxIcon icon) { services_.boxes.Tell(text, icon); }

bool ShellFrame::YesNo(const std::string& text) { return services_.boxes.AskYesNo(text); }

int ShellFrame::RunStartStop(bool start) {
    busy_ = true;
    const int done = services_.startStop(start);
    busy_ = false;
    return done;
}

bool ShellFrame::CheckServiceAtStart() {
    const int state = services_.testService();
    if (state == 1) return true;
    if (state == -1) {
        Say("The Holdervane service is started, but not all\nrequired Holdervane processes are running. Please\n"
            "stop the Holdervane service throught the Control\nPanel - Services applet, and restart it.",
            BoxIcon::Error);
        return false;
    }
    if (state != 0) return false;
    if (!YesNo("Holdervane is not running.\nDo you want to start it?\nSaying NO will quit this application."))
        return false;
    host_.ShowStatus("Starting Holdervane. Please Wait...");
    return RunStartStop(true) != 0;
}

bool ShellFrame::RefreshDue() const { return refreshRequested_ && !busy_ && !refreshing_ && !host_.ModalOpen(); }

bool ShellFrame::OnIdle() {
    if (!timerArmed_) {
        if (host_.ArmRefreshTimer())
            timerArmed_ = true;
        else
            host_.Beep();
    }
    bool ran = false;
    if (RefreshDue()) {
        refreshRequested_ = false;
        RefreshNow();
        ran = true;
    }
    if (services_.db.Initializing()) host_.ShowStatus(kInitializingText);
    return ran;
}

void ShellFrame::RefreshNow() {
    // A box shown by the refresh runs a loop of its own; its idle passes must
    // not start a second refresh inside this one.
    refreshing_ = true;
    if (services_.testService() == 0) {
        Say("Holdervane does not appear to be running.\n" + spec_.title + " will close now.");
        refreshing_ = false;
        host_.EndProgram();
        return;
    }
    if (document_ != nullptr) document_->Refresh();
    refreshing_ = false;
}

int ShellFrame::HelpContext(int helpId) const {
    for (const ShellHelpRow& row : spec_.help)
        if (row.id == helpId) return row.context;
    return spec_.help.empty() ? 0 : spec_.help.front().context;
}

void ShellFrame::ShowHelp(int helpId) { services_.launcher.ShowHelp(spec_.helpFile, HelpContext(helpId)); }

void ShellFrame::ShowHelpContents() { services_.launcher.ShowHelp(spec_.helpFile, 0); }

void ShellFrame::ShowSibling(const ShellSibling& sibling) {
    if (services_.launcher.ShowSibling(sibling.program, sibling.binary) != 0)
        Say("Error Starting " + sibling.errorName);
}

bool ShellFrame::Stop() {
    if (services_.db.Initializing()) {
        Say("You cannot stop Holdervane while it is initializing.\nPlease wait for initialization to complete and "
            "try again.");
        return false;
    }
    if (!YesNo("Do you want to stop Holdervane?")) return false;
    host_.ShowStatus("Stopping Holdervane. Please Wait...");
    if (RunStartStop(false) == 0) return false;
    host_.EndProgram();
    return true;
}

}  // namespace panelaid
