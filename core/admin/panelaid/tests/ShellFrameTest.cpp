// The single-document shell's decisions on the fakes: the service check at
// start, the refresh clock and its idle pass, the watch of the service at a
// refresh, help, siblings and Stop.
#include "FakeConsoleDatabase.h"
#include "FakeLauncher.h"
#include "FakeMessageBoxes.h"
#include "ShellFrame.h"

#include <gtest/gtest.h>

namespace panelaid {
namespace {

struct RecordingHost : ShellHost {
    bool ArmRefreshTimer() override {
        ++arms;
        return armSucceeds;
    }
    void Beep() override { ++beeps; }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    bool ModalOpen() const override { return modal; }
    void EndProgram() override { ++ends; }

    bool armSucceeds = true;
    bool modal = false;
    int arms = 0;
    int beeps = 0;
    int ends = 0;
    std::vector<std::string> statuses;
};

struct CountingDocument : ShellDocument {
    void Reload() override { ++reloads; }
    void Refresh() override { ++refreshes; }
    int reloads = 0;
    int refreshes = 0;
};

class ShellFrameTest : public ::testing::Test {
protected:
    ShellFrameTest() {
        spec_.title = "Holdervane: Hardware Administration";
        spec_.help = {{0x20080, 4500}, {0x1800A, 3004}, {0x18008, 3005}};
        frame_.SetDocument(&doc_);
    }

    FakeConsoleDatabase db_{"SYSA"};
    FakeMessageBoxes boxes_;
    FakeLauncher launcher_;
    RecordingHost host_;
    CountingDocument doc_;
    ShellSpec spec_;
    int service_ = 1;
    int startStopResult_ = 1;
    std::vector<bool> startStops_;
    bool busyDuringStartStop_ = false;
    ShellFrame frame_{spec_,
                      ShellServices{db_, boxes_, launcher_, [this] { return service_; },
                                    [this](bool start) {
                                        startStops_.push_back(start);
                                        busyDuringStartStop_ = frame_.Busy();
                                        return startStopResult_;
                                    }},
                      host_};
};

TEST_F(ShellFrameTest, TheServiceCheckAtStartByWhatTheServiceAnswers) {
    struct Case {
        int service;
        BoxAnswer answer;
        int startResult;
        bool runs;
        const char* box;  // first box's text prefix, "" none
        bool started;
    };
    const Case cases[] = {
        {1, BoxAnswer::Ok, 1, true, "", false},
        {-1, BoxAnswer::Ok, 1, false, "The Holdervane service is started, but not all", false},
        {0, BoxAnswer::No, 1, false, "Holdervane is not running.\nDo you want to start it?", false},
        {0, BoxAnswer::Yes, 1, true, "Holdervane is not running.", true},
        {0, BoxAnswer::Yes, 0, false, "Holdervane is not running.", true},
        {7, BoxAnswer::Ok, 1, false, "", false},
    };
    for (const Case& c : cases) {
        FakeMessageBoxes boxes;
        boxes.Answer(c.answer);
        RecordingHost host;
        std::vector<bool> starts;
        bool busy = false;
        ShellFrame* self = nullptr;
        ShellFrame frame(spec_,
                         ShellServices{db_, boxes, launcher_, [&] { return c.service; },
                                       [&](bool start) {
                                           starts.push_back(start);
                                           busy = self->Busy();
                                           return c.startResult;
                                       }},
                         host);
        self = &frame;
        EXPECT_EQ(frame.CheckServiceAtStart(), c.runs) << c.service;
        const auto shown = boxes.Shown();
        if (*c.box == '\0') {
            EXPECT_TRUE(shown.empty()) << c.service;
        } else {
            ASSERT_EQ(shown.size(), 1u) << c.service;
            EXPECT_EQ(shown[0].text.rfind(c.box, 0), 0u) << shown[0].text;
        }
        if (c.service == -1) {
            EXPECT_EQ(shown[0].icon, BoxIcon::Error);
        }
        EXPECT_EQ(starts, c.started ? std::vector<bool>{true} : std::vector<bool>{}) << c.service;
        if (c.started) {
            EXPECT_EQ(host.statuses, std::vector<std::string>{"Starting Holdervane. Please Wait..."});
            EXPECT_TRUE(busy) << "the refresh must wait while the service starts";
            EXPECT_FALSE(frame.Busy());
        }
    }
}

TEST_F(ShellFrameTest, TheClockArmsOnceAndATickRefreshesAtTheNextIdleOnly) {
    host_.armSucceeds = false;
    frame_.OnIdle();
    frame_.OnIdle();
    EXPECT_EQ(host_.beeps, 2);
    EXPECT_FALSE(frame_.TimerArmed());
    host_.armSucceeds = true;
    frame_.OnIdle();
    frame_.OnIdle();
    EXPECT_EQ(host_.arms, 3);
    EXPECT_TRUE(frame_.TimerArmed());
    EXPECT_EQ(doc_.refreshes, 0) << "no refresh without a tick";

    frame_.Tick();
    frame_.Tick();
    EXPECT_EQ(doc_.refreshes, 0) << "the tick only asks";
    EXPECT_TRUE(frame_.OnIdle());
    EXPECT_FALSE(frame_.OnIdle());
    EXPECT_EQ(doc_.refreshes, 1);
}

TEST_F(ShellFrameTest, ARequestedRefreshWaitsWhileAModalDialogOrAStartOrStopIsOpen) {
    frame_.Tick();
    host_.modal = true;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(frame_.OnIdle());
    frame_.SetBusy(true);
    host_.modal = false;
    EXPECT_FALSE(frame_.OnIdle());
    EXPECT_EQ(doc_.refreshes, 0);
    EXPECT_TRUE(frame_.RefreshRequested()) << "the request waits";
    frame_.SetBusy(false);
    EXPECT_TRUE(frame_.OnIdle());
    EXPECT_EQ(doc_.refreshes, 1);
}

TEST_F(ShellFrameTest, ARefreshEndsTheProgramOnlyWhenTheServiceIsDown) {
    service_ = -1;
    frame_.Tick();
    frame_.OnIdle();
    EXPECT_EQ(doc_.refreshes, 1) << "partly up goes on";
    EXPECT_EQ(host_.ends, 0);

    service_ = 0;
    frame_.Tick();
    frame_.OnIdle();
    EXPECT_EQ(doc_.refreshes, 1);
    EXPECT_EQ(host_.ends, 1);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text,
              "Holdervane does not appear to be running.\nHoldervane: Hardware Administration will close now.");
}

TEST_F(ShellFrameTest, TheInitialisingTextFollowsEveryIdlePassWhileTheMarkerIsThere) {
    frame_.OnIdle();
    EXPECT_TRUE(host_.statuses.empty());
    db_.SetInitializing(true);
    frame_.OnIdle();
    frame_.OnIdle();
    EXPECT_EQ(host_.statuses, (std::vector<std::string>{kInitializingText, kInitializingText}));
}

TEST_F(ShellFrameTest, HelpOpensTheRowsContextAndRowZerosForAnUnknownId) {
    EXPECT_EQ(frame_.HelpContext(0x18008), 3005);
    EXPECT_EQ(frame_.HelpContext(0x1800A), 3004);
    EXPECT_EQ(frame_.HelpContext(0x12345), 4500);
    frame_.ShowHelp(0x99999);
    frame_.ShowHelpContents();
    EXPECT_EQ(launcher_.help, (std::vector<std::string>{"hvntmain.hlp#4500", "hvntmain.hlp#0"}));
}

TEST_F(ShellFrameTest, ASiblingThatCannotStartIsReportedByItsName) {
    frame_.ShowSibling({"APPSTAT", "appstat", "Application Status Display"});
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(launcher_.siblings, std::vector<std::string>{"APPSTAT appstat"});
    struct FailingLauncher : FakeLauncher {
        int ShowSibling(const std::string&, const std::string&) override { return 2; }
    } failing;
    ShellFrame frame(spec_, ShellServices{db_, boxes_, failing, [] { return 1; }, [](bool) { return 1; }}, host_);
    frame.ShowSibling({"HIERMAN", "hierman", "Heirarchy Status And Administration"});
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text, "Error Starting Heirarchy Status And Administration");
}

TEST_F(ShellFrameTest, StopRefusesWhileInitialisingAsksAndEndsOnlyAfterAStop) {
    db_.SetInitializing(true);
    EXPECT_FALSE(frame_.Stop());
    EXPECT_EQ(boxes_.Shown().back().text,
              "You cannot stop Holdervane while it is initializing.\nPlease wait for initialization to complete and "
              "try again.");
    EXPECT_TRUE(startStops_.empty());

    db_.SetInitializing(false);
    boxes_.Answer(BoxAnswer::No);
    EXPECT_FALSE(frame_.Stop());
    EXPECT_EQ(boxes_.Shown().back().text, "Do you want to stop Holdervane?");
    EXPECT_TRUE(startStops_.empty());

    boxes_.Answer(BoxAnswer::Yes);
    startStopResult_ = 0;
    EXPECT_FALSE(frame_.Stop());
    EXPECT_EQ(host_.ends, 0);
    EXPECT_EQ(host_.statuses.back(), "Stopping Holdervane. Please Wait...");

    boxes_.Answer(BoxAnswer::Yes);
    startStopResult_ = 1;
    EXPECT_TRUE(frame_.Stop());
    EXPECT_EQ(host_.ends, 1);
    EXPECT_EQ(startStops_, (std::vector<bool>{false, false}));
    EXPECT_TRUE(busyDuringStartStop_);
}

TEST(ShellPrompt, SplitsTheStatusTextFromTheToolTip) {
    EXPECT_EQ(PromptStatus("Delete the selected comm path\n Delete CommPath"), "Delete the selected comm path");
    EXPECT_EQ(PromptTip("Delete the selected comm path\n Delete CommPath"), " Delete CommPath");
    EXPECT_EQ(PromptStatus("Stop Holdervane"), "Stop Holdervane");
    EXPECT_EQ(PromptTip("Stop Holdervane"), "");
}

}  // namespace
}  // namespace panelaid
