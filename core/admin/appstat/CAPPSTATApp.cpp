#include "CAPPSTATApp.h"

namespace appstat {

namespace {

struct HelpRow {
    int id;
    int context;
};

// Help ids: 0x10000 + command, 0x20000 + resource, 0x30000 + prompt. Row 0
// (the main window) answers ids that no row has.
constexpr HelpRow kHelpRows[] = {
    {0x20080, 500},  {0x3E003, 500},  {0x18003, 2005}, {0x18004, 2005}, {0x18005, 2005}, {0x18006, 2005},
    {0x1E141, 2005}, {0x18007, 2011}, {0x18008, 2011}, {0x1800E, 2011}, {0x1E800, 2010}, {0x1E801, 2010},
    {0x18009, 2012}, {0x1E143, 2012}, {0x1E140, 2012}, {0x1EF12, 500},  {0x1EF01, 500},  {0x1EF00, 500},
    {0x1EF02, 500},  {0x1EF03, 500},  {0x1EF04, 500},  {0x1EF05, 500},  {0x1EF06, 500},
};

}  // namespace

CAPPSTATApp::CAPPSTATApp(AppServices services, AppHost& host) : services_(std::move(services)), host_(host) {}

bool CAPPSTATApp::CheckService() {
    const int state = services_.testService();
    if (state == 1) return true;
    if (state == -1) {
        panelaid::BoxRequest box;
        box.text = "The Holdervane service is started, but not all\nrequired Holdervane processes are running. Please\n"
                   "stop the Holdervane service throught the Control\nPanel - Services applet, and restart it.";
        box.icon = panelaid::BoxIcon::Error;
        services_.boxes.Ask(box);
        return false;
    }
    if (state != 0) return false;
    panelaid::BoxRequest ask;
    ask.text = "Holdervane is not running.\nDo you want to start it?\nSaying NO will quit this application.";
    ask.buttons = panelaid::BoxButtons::YesNo;
    if (services_.boxes.Ask(ask) != panelaid::BoxAnswer::Yes) return false;
    services_.painter.ShowText("Starting Holdervane. Please Wait...");
    return services_.startService() != 0;
}

void CAPPSTATApp::OnIdle(bool blocked) {
    if (!timerArmed_) {
        timerArmed_ = host_.ArmRefreshTimer(kRefreshIntervalMs);
        if (!timerArmed_) host_.Beep();
    }
    if (refreshRequested_ && doc_ && !blocked) {
        refreshRequested_ = false;
        doc_->Refresh();
    }
    if (services_.initializing()) host_.SetStatusText(kInitializingText);
}

HelpLookup CAPPSTATApp::WinHelp(int data, bool contextRequest, const std::string& root) {
    HelpLookup out{root + "/" + kHelpFile, data};
    if (!contextRequest) return out;
    out.context = kHelpRows[0].context;
    for (const HelpRow& row : kHelpRows)
        if (row.id == data) {
            out.context = row.context;
            break;
        }
    return out;
}

}  // namespace appstat
