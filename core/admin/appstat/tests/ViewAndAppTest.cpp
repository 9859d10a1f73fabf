// The view's decisions (repaints, scrolling the focused tree into sight,
// siblings, Stop) and the program's (service check, refresh clock, help).
#include "AppstatParts.h"
#include "CAPPSTATApp.h"
#include "CAPPSTATView.h"
#include "FakeLauncher.h"

#include <gtest/gtest.h>

namespace appstat {
namespace {

using panelaid::BoxAnswer;

class RecordingSurface : public ViewSurface {
public:
    void RepaintRect(const Rect& r) override { rects.push_back(r); }
    void RepaintAll() override { ++all; }
    void SetScrollSizes(int w, int h) override { size = {w, h}; }
    Rect Visible() const override { return visible; }
    void ScrollTo(int x, int y) override {
        scrolls.push_back({x, y});
        visible = visible.Moved(x - visible.left, y - visible.top);
    }

    std::vector<Rect> rects;
    int all = 0;
    std::pair<int, int> size;
    Rect visible{0, 0, 400, 300};
    std::vector<std::pair<int, int>> scrolls;
};

class View : public testing::Test, protected AppstatParts {
protected:
    void Open(int trees) {
        for (int i = 0; i < trees; ++i) AddHierarchy("t" + std::to_string(i), "ISP", "OSU");
        doc = std::make_unique<CAPPSTATDoc>(Services(), host);
        doc->OnNewDocument();
        doc->Load();
        view = std::make_unique<CAPPSTATView>(
            *doc,
            ViewServices{boxes, launcher, painter, [this] { ++stops; return stopResult; },
                         [this] { return initializing; }, [this] { ++destroyed; }},
            surface);
        view->OnInitialUpdate();
    }

    panelaid::FakeLauncher launcher;
    RecordingSurface surface;
    std::unique_ptr<CAPPSTATDoc> doc;
    std::unique_ptr<CAPPSTATView> view;
    int stops = 0;
    int stopResult = 1;
    int destroyed = 0;
    bool initializing = false;
};

TEST_F(View, UpdateRepaintsAllOnANewLayoutElseOnlyWhatChanged) {
    Open(3);
    EXPECT_EQ(surface.size, (std::pair<int, int>{635, 1175}));
    view->OnUpdate();
    EXPECT_EQ(surface.all, 1) << "after the load";
    doc->Refresh();  // nothing changed: the size test clears the layout flag
    db.SetInstanceState("SYSB", "t1", "ISP");
    doc->Refresh();
    surface.rects.clear();
    view->OnUpdate();
    EXPECT_EQ(surface.all, 1);
    ASSERT_FALSE(surface.rects.empty());
    EXPECT_EQ(surface.rects.front(), doc->Trees()[1]->Box()) << "the tree whose state moved";
}

TEST_F(View, FocusedTreeScrollsIntoSightOnlyWhenHidden) {
    Open(25);
    // (0,0) (1,0) ... the focus starts on the first tree, then walks right.
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    EXPECT_TRUE(surface.scrolls.empty()) << "(2,0) shows in 400 x 300";
    view->OnKeyUp(ViewKey::Right);
    view->OnKeyUp(ViewKey::Right);
    // (3,0) at x = 50 + 3 * 117 ends past 400: scrolled along the row to
    // its hit rectangle less the margin; (4,0) then shows.
    ASSERT_EQ(surface.scrolls.size(), 1u);
    EXPECT_EQ(surface.scrolls[0], (std::pair<int, int>{401 - 4 - 50, 0}));
    EXPECT_EQ(surface.all, 1);
    view->OnKeyUp(ViewKey::Right);
    EXPECT_EQ(host.beeps, 1) << "no sixth column";
    view->OnKeyUp(ViewKey::Down);
    ASSERT_EQ(surface.scrolls.size(), 2u);
    EXPECT_EQ(surface.scrolls[1], (std::pair<int, int>{347, 275 - 4 - 50}));
    view->OnKeyUp(ViewKey::Left);
    EXPECT_EQ(surface.scrolls.size(), 2u) << "(3,1) shows";
    view->OnKeyUp(ViewKey::Space);
    EXPECT_EQ(surface.scrolls.size(), 2u);
    EXPECT_TRUE(doc->FocusedTree()->Selected());
}

TEST_F(View, ZoomKeysRepaintEverythingWithoutScrolling) {
    Open(2);
    view->OnKeyUp(ViewKey::ZoomOut);
    EXPECT_EQ(doc->Zoom(), 90);
    EXPECT_EQ(surface.all, 1);
    view->OnKeyUp(ViewKey::Other);
    EXPECT_EQ(surface.all, 1);
    EXPECT_TRUE(surface.scrolls.empty());
}

TEST_F(View, DoubleClickSelectsAndToggles) {
    Open(2);
    const Rect box = doc->Trees()[1]->Box();
    view->OnDoubleClick(box.left + 2, box.top + 2);
    EXPECT_TRUE(doc->Trees()[1]->Selected());
    EXPECT_FALSE(doc->Trees()[1]->Expanded());
    EXPECT_TRUE(view->TreeCommandEnabled(TreeCommand::Expand));
    EXPECT_FALSE(view->TreeCommandEnabled(TreeCommand::Collapse));
    view->RunTreeCommand(TreeCommand::Expand);
    EXPECT_TRUE(doc->Trees()[1]->Expanded());
    EXPECT_FALSE(doc->Trees()[1]->Selected());
    EXPECT_FALSE(view->TreeCommandEnabled(TreeCommand::ExpandAll));
    EXPECT_TRUE(view->TreeCommandEnabled(TreeCommand::CollapseAll));
}

TEST_F(View, SiblingsAndTheirStartErrors) {
    Open(1);
    view->ShowHardwareAdmin();
    view->ShowHierarchyAdmin();
    EXPECT_EQ(launcher.siblings, (std::vector<std::string>{"HWMAN hwman", "HIERMAN hierman"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(View, StopAsksAndIsRefusedWhileInitialising) {
    Open(1);
    initializing = true;
    EXPECT_FALSE(view->StopHoldervane());
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("You cannot stop Holdervane while it is initializing.", 0), 0u);
    EXPECT_EQ(stops, 0) << "never asked";

    initializing = false;
    EXPECT_FALSE(view->StopHoldervane()) << "No";
    EXPECT_EQ(stops, 0);
    boxes.Answer(BoxAnswer::Yes);
    stopResult = 0;
    EXPECT_FALSE(view->StopHoldervane());
    EXPECT_EQ(destroyed, 0) << "a failed stop keeps the console";
    boxes.Answer(BoxAnswer::Yes);
    stopResult = 1;
    EXPECT_TRUE(view->StopHoldervane());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(painter.Last(), "Stopping Holdervane. Please Wait...");
}

class RecordingAppHost : public AppHost {
public:
    bool ArmRefreshTimer(int ms) override {
        armedMs = ms;
        return ++arms > failArms;
    }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void Beep() override { ++beeps; }

    int arms = 0;
    int failArms = 0;
    int armedMs = 0;
    int beeps = 0;
    std::vector<std::string> status;
};

class App : public testing::Test, protected AppstatParts {
protected:
    AppServices AppParts() {
        return AppServices{boxes, painter, [this] { return service; }, [this] { ++starts; return startResult; },
                           [this] { return initializing; }};
    }
    RecordingAppHost appHost;
    int starts = 0;
    int startResult = 1;
    bool initializing = false;
};

TEST_F(App, ServiceCheckAtStart) {
    struct Case {
        int service;
        BoxAnswer answer;
        int startResult;
        bool runs;
        int starts;
    };
    const Case cases[] = {
        {1, BoxAnswer::No, 1, true, 0},   {-1, BoxAnswer::No, 1, false, 0}, {0, BoxAnswer::No, 1, false, 0},
        {0, BoxAnswer::Yes, 1, true, 1},  {0, BoxAnswer::Yes, 0, false, 1}, {7, BoxAnswer::Yes, 1, false, 0},
    };
    for (const Case& c : cases) {
        panelaid::FakeMessageBoxes answers;
        answers.Answer(c.answer);
        service = c.service;
        startResult = c.startResult;
        starts = 0;
        AppServices s = AppParts();
        CAPPSTATApp app(AppServices{answers, painter, s.testService, s.startService, s.initializing}, appHost);
        EXPECT_EQ(app.CheckService(), c.runs) << c.service;
        EXPECT_EQ(starts, c.starts) << c.service;
    }
}

TEST_F(App, RefreshWaitsForAnIdlePassOutsideModalLoops) {
    AddHierarchy("t0", "ISP", "OSU");
    CAPPSTATDoc doc(Services(), host);
    doc.OnNewDocument();
    doc.Load();
    appHost.failArms = 1;
    CAPPSTATApp app(AppParts(), appHost);
    app.SetDocument(&doc);
    app.OnIdle(false);
    EXPECT_EQ(appHost.beeps, 1) << "the timer could not be armed";
    app.OnIdle(false);
    EXPECT_TRUE(app.TimerArmed());
    EXPECT_EQ(appHost.armedMs, kRefreshIntervalMs);
    app.OnIdle(false);
    EXPECT_EQ(appHost.arms, 2) << "armed once";

    // The service goes while the About box is open: nothing closes under
    // the box; the first idle pass after it does.
    service = 0;
    app.OnTimer();
    app.OnIdle(true);
    app.OnIdle(true);
    EXPECT_EQ(host.destroyed, 0);
    EXPECT_TRUE(boxes.Shown().empty());
    app.OnIdle(false);
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_FALSE(app.RefreshRequested());
    app.OnIdle(false);
    EXPECT_EQ(host.destroyed, 1) << "one timer, one refresh";

    initializing = true;
    app.OnIdle(false);
    EXPECT_EQ(appHost.status.back(), "Holdervane is initializing.");
}

TEST(AppHelp, ContextsFromTheTable) {
    struct Case {
        int id;
        bool context;
        int expected;
    };
    const Case cases[] = {{0x18003, true, 2005}, {0x1800E, true, 2011}, {0x1E801, true, 2010},
                          {0x1E140, true, 2012}, {0x1EF05, true, 500},  {0x12345, true, 500},
                          {0x18009, false, 0x18009}};
    for (const Case& c : cases) {
        const HelpLookup h = CAPPSTATApp::WinHelp(c.id, c.context, "/opt/hv");
        EXPECT_EQ(h.context, c.expected) << std::hex << c.id;
        EXPECT_EQ(h.file, "/opt/hv/admin/help/hvntmain.hlp");
    }
}

}  // namespace
}  // namespace appstat
