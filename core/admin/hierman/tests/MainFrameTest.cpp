// The main frame's decisions: the service check at start, the watch timer,
// the busy guard, Stop, the kit pop-up's items and the help lookups.
#include "CHiermanView.h"
#include "CMainFrame.h"
#include "FakeLauncher.h"
#include "FakeMessageBoxes.h"
#include "FakeScriptRunner.h"
#include "HelpTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hierman {
namespace {

using panelaid::BoxAnswer;

class RecordingFrame : public FrameHost {
public:
    void RefreshAllViews() override { ++refreshes; }
    void ArmWatchTimer(int ms) override { armedMs = ms; }
    void StopWatchTimer() override { armedMs = 0; }
    void DestroyMainWindow() override { ++destroyed; }
    void ShowStatus(const std::string& text) override { status.push_back(text); }

    int refreshes = 0;
    int armedMs = 0;
    int destroyed = 0;
    std::vector<std::string> status;
};

class MainFrame : public testing::Test {
protected:
    FrameServices Services() {
        return FrameServices{boxes, [this] { return service; },
                             [this](bool start) {
                                 starts.push_back(start);
                                 // The watch must not close the window under a start or stop.
                                 frameLogic.WatchTick();
                                 return startStopResult;
                             },
                             [this] { return initializing; }};
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes.Shown()) texts.push_back(box.text);
        return texts;
    }

    panelaid::FakeMessageBoxes boxes;
    RecordingFrame host;
    int service = 1;
    int startStopResult = 1;
    bool initializing = false;
    std::vector<bool> starts;
    CMainFrame frameLogic{Services(), host};
};

TEST_F(MainFrame, ServiceAnswersAtStart) {
    struct Case { int service; BoxAnswer answer; int started; bool runs; std::size_t boxes; std::size_t starts; } cases[] = {
        {1, BoxAnswer::No, 1, true, 0, 0},
        {-1, BoxAnswer::No, 1, false, 1, 0},
        {0, BoxAnswer::No, 1, false, 1, 0},
        {0, BoxAnswer::Yes, 1, true, 1, 1},
        {0, BoxAnswer::Yes, 0, false, 1, 1},
        {2, BoxAnswer::No, 1, false, 0, 0},
    };
    for (const auto& c : cases) {
        panelaid::FakeMessageBoxes freshBoxes;
        RecordingFrame freshHost;
        service = c.service;
        startStopResult = c.started;
        starts.clear();
        freshBoxes.Answer(c.answer);
        CMainFrame frame{FrameServices{freshBoxes, [this] { return service; },
                                       [this](bool start) {
                                           starts.push_back(start);
                                           return startStopResult;
                                       },
                                       [] { return false; }},
                         freshHost};
        EXPECT_EQ(frame.CheckServiceAtStart(), c.runs) << c.service;
        EXPECT_EQ(freshBoxes.Shown().size(), c.boxes) << c.service;
        EXPECT_EQ(starts.size(), c.starts) << c.service;
        if (c.service == -1) {
            EXPECT_EQ(freshBoxes.Shown()[0].icon, panelaid::BoxIcon::Error);
        }
        if (c.service == 0) {
            EXPECT_EQ(freshBoxes.Shown()[0].buttons, panelaid::BoxButtons::YesNo);
            EXPECT_EQ(freshHost.status.size(), c.answer == BoxAnswer::Yes ? 1u : 0u);
        }
    }
}

TEST_F(MainFrame, TheWatchRefreshesWhileTheServiceRunsAndClosesWhenItGoes) {
    frameLogic.WatchTick();
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(host.armedMs, kWatchIntervalMs);
    service = 0;
    frameLogic.WatchTick();
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_EQ(host.armedMs, 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "Holdervane does not appear to be running.  Holdervane: Hierarchy Administration will close now."}));
}

TEST_F(MainFrame, WhileBusyTheWatchOnlyRearmsAndTheCloseComesAfter) {
    frameLogic.SetBusy(true);
    EXPECT_FALSE(frameLogic.CreateHierarchyEnabled());
    EXPECT_FALSE(frameLogic.MayClose());
    EXPECT_EQ(boxes.Shown().back().text, "Please wait until the service request has completed before exiting.");
    service = 0;
    frameLogic.WatchTick();
    EXPECT_EQ(host.refreshes, 0);
    EXPECT_EQ(host.destroyed, 0);
    EXPECT_EQ(host.armedMs, kWatchIntervalMs);
    service = 1;
    frameLogic.WatchTick();
    EXPECT_EQ(host.refreshes, 0);
    frameLogic.SetBusy(false);
    EXPECT_TRUE(frameLogic.CreateHierarchyEnabled());
    EXPECT_TRUE(frameLogic.MayClose());
    service = 0;
    frameLogic.WatchTick();
    EXPECT_EQ(host.destroyed, 1);
}

TEST_F(MainFrame, StopIsRefusedWhileInitializingOrBusy) {
    initializing = true;
    EXPECT_FALSE(frameLogic.StopHoldervane());
    frameLogic.SetBusy(true);
    initializing = false;
    EXPECT_FALSE(frameLogic.StopHoldervane());
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text.rfind("You cannot stop Holdervane while it is initializing.", 0), 0u);
    EXPECT_EQ(boxes.Shown()[1].text.rfind("You cannot stop Holdervane while an action request", 0), 0u);
    frameLogic.SetBusy(false);
    boxes.Answer(BoxAnswer::No);
    EXPECT_FALSE(frameLogic.StopHoldervane());
    EXPECT_TRUE(starts.empty());
}

TEST_F(MainFrame, AStopEndsTheConsoleAndAFailedStopKeepsWatching) {
    host.armedMs = kWatchIntervalMs;
    service = 0;  // seen by the tick that comes during the stop
    startStopResult = 0;
    boxes.Answer(BoxAnswer::Yes);
    EXPECT_FALSE(frameLogic.StopHoldervane());
    EXPECT_EQ(starts, (std::vector<bool>{false}));
    EXPECT_EQ(host.destroyed, 0);
    EXPECT_EQ(host.armedMs, kWatchIntervalMs);  // re-armed after the failure
    frameLogic.WatchTick();
    EXPECT_EQ(host.destroyed, 1);  // and the service being gone is noticed

    RecordingFrame other;
    panelaid::FakeMessageBoxes yes;
    yes.Answer(BoxAnswer::Yes);
    CMainFrame stopping{FrameServices{yes, [] { return 1; }, [](bool) { return 1; }, [] { return false; }}, other};
    EXPECT_TRUE(stopping.StopHoldervane());
    EXPECT_EQ(other.destroyed, 1);
}

TEST_F(MainFrame, KitListLinesGiveItemsAndNames) {
    panelaid::FakeScriptRunner runner;
    runner.Answer(kKitListScript, {0, {"oracle:Oracle Database", "no colon", ":no name", "ip:IP Address:v4", "", "nfs:"}});
    const std::vector<KitItem> items = frameLogic.BuildKitMenu(runner);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].label, "Oracle Database");
    EXPECT_EQ(items[1].name, "ip");
    EXPECT_EQ(items[1].label, "IP Address:v4");
    EXPECT_EQ(frameLogic.KitNameOf(kFirstKitCommand + 1), "ip");
    EXPECT_EQ(frameLogic.KitNameOf(kFirstKitCommand + 2), "");
    // The lines without a name or a label are counted, not shown.
    EXPECT_EQ(host.status, (std::vector<std::string>{"4 lines of the recovery kit list were not understood"}));
    EXPECT_EQ(frameLogic.KitNameOf(kFirstKitCommand - 1), "");
    ASSERT_EQ(runner.calls.size(), 1u);
    EXPECT_EQ(runner.calls[0].script, "/admin/bin/KitList");
    EXPECT_EQ(runner.calls[0].args, "");
}

TEST_F(MainFrame, KitListBadOutputs) {
    std::vector<std::string> many;
    for (int i = 0; i < 5000; ++i) many.push_back("kit" + std::to_string(i) + ":Kit " + std::to_string(i));
    struct Case {
        const char* name;
        panelaid::FakeScriptRunner::Outcome outcome;
        std::size_t items;
        const char* status;
    } cases[] = {
        {"empty", {0, {}}, 0, "No recovery kits are installed"},
        {"failing", {3, {"a:A"}}, 0, "The list of installed recovery kits could not be read (exit code 3)"},
        {"only bad lines", {0, {"x", ":"}}, 0,
         "No recovery kits are installed. 2 lines of the recovery kit list were not understood"},
        {"5000 lines", {0, many}, kMaxKitItems, "Only the first 4096 recovery kits are offered"},
    };
    for (const auto& c : cases) {
        panelaid::FakeScriptRunner runner;
        runner.Answer(kKitListScript, c.outcome);
        host.status.clear();
        EXPECT_EQ(frameLogic.BuildKitMenu(runner).size(), c.items) << c.name;
        EXPECT_EQ(host.status, (std::vector<std::string>{c.status})) << c.name;
        EXPECT_EQ(runner.LinesLeft(), 0) << c.name;
    }
    EXPECT_EQ(frameLogic.KitNameOf(kFirstKitCommand + 0xFFF), "kit4095");
    EXPECT_EQ(frameLogic.KitNameOf(kFirstKitCommand + 0x1000), "");
}

TEST_F(MainFrame, HelpLookups) {
    struct Case { int id; int context; } cases[] = {
        {0x90, 5015},     // the first of its two rows
        {0xD003, 5001},   // a kit item: the Create Hierarchy help
        {0x1D001, 5001},
        {0x12345, 0x12345},  // no row: the id itself
        {0, 0},
        {0x2E003, 0},
        {130, 501},       // a cell of the view: its icon number
        {0x91, 501},
        {0x20081, 501},
    };
    for (const auto& c : cases) {
        const HelpLookup help = HelpForRequest(c.id, "/opt/hv");
        EXPECT_EQ(help.context, c.context) << std::hex << c.id;
        EXPECT_EQ(help.file, "/opt/hv/admin/help/hvntmain.hlp");
    }
    EXPECT_EQ(LookupHelp(0xD003, "/r").context, 0xD003);
}

TEST_F(MainFrame, SiblingsAndHelpGoThroughTheLauncher) {
    panelaid::FakeLauncher launcher;
    // Without a launcher nothing is started.
    EXPECT_FALSE(frameLogic.LaunchSibling(CMainFrame::Sibling::HardwareAdmin));
    frameLogic.UseLauncher(&launcher, [] { return std::string("/opt/hv"); });
    EXPECT_TRUE(frameLogic.LaunchSibling(CMainFrame::Sibling::ApplicationStatus));
    launcher.siblingResult = 2;
    EXPECT_FALSE(frameLogic.LaunchSibling(CMainFrame::Sibling::HardwareAdmin));
    EXPECT_EQ(launcher.siblings, (std::vector<std::string>{"APPSTAT appstat", "HWMAN hwman"}));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "/opt/hv/bin/hwman Not Found");
    EXPECT_EQ(boxes.Shown()[0].icon, panelaid::BoxIcon::Error);

    for (int id : {0x90, 0xD003, 0x12345, 0}) frameLogic.ShowHelp(id);
    EXPECT_EQ(launcher.help, (std::vector<std::string>{"/opt/hv/admin/help/hvntmain.hlp#5015",
                                                       "/opt/hv/admin/help/hvntmain.hlp#5001",
                                                       "/opt/hv/admin/help/hvntmain.hlp#74565",
                                                       "/opt/hv/admin/help/hvntmain.hlp#0"}));
}

}  // namespace
}  // namespace hierman
