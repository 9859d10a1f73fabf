// The console in its shell offscreen: the refresh runs from the idle pass,
// a service that goes while the About box is open closes the console only
// after the box, Stop is refused while the database initialises.
#include "AppstatConsole.h"
#include "AppstatParts.h"
#include "AppstatSpec.h"
#include "FakeLauncher.h"
#include "QtTestApp.h"
#include "QtWait.h"

#include <QAction>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace appstat {
namespace {

using panelaid::WaitForEvents;

class Console : public testing::Test, protected AppstatParts {
protected:
    Console() { panelaid::TestApp(); }

    void Open() {
        AddHierarchy("H1", "ISP", "OSU");
        console = std::make_unique<AppstatConsole>(
            panelaid::ShellServices{db, boxes, launcher, [this] { return service; },
                                    [this](bool start) {
                                        starts.push_back(start);
                                        return 1;
                                    }},
            settings);
        console->Shell().Place();
        console->Doc().Reload();
    }
    bool BoxShown(const std::string& start) const {
        for (const auto& box : boxes.Shown())
            if (box.text.rfind(start, 0) == 0) return true;
        return false;
    }

    panelaid::FakeLauncher launcher;
    int service = 1;
    std::vector<bool> starts;
    std::unique_ptr<AppstatConsole> console;
};

TEST_F(Console, RefreshRunsFromTheIdlePass) {
    Open();
    EXPECT_EQ(console->Shell().windowTitle(), QStringLiteral("Holdervane: Application Status"));
    ASSERT_EQ(console->Doc().Trees().size(), 1u);
    EXPECT_EQ(console->Doc().Trees()[0]->State(), TreeState::Protected);
    AddHierarchy("H2", "ISP", "OSU");
    db.SetInstanceState("SYSB", "H1", "ISP");
    console->Shell().Frame().Tick();
    ASSERT_TRUE(WaitForEvents([&] { return console->Doc().Trees().size() == 2; }));
    EXPECT_EQ(console->Doc().Trees()[0]->State(), TreeState::Illegal);
    EXPECT_TRUE(console->Shell().Frame().TimerArmed());
}

TEST_F(Console, ServiceGoneUnderTheAboutBoxClosesAfterIt) {
    Open();
    ASSERT_TRUE(WaitForEvents([&] { return console->Shell().Frame().TimerArmed(); }));
    bool closedUnderBox = true;
    bool boxedUnderBox = true;
    bool aboutDone = false;
    QTimer::singleShot(0, &console->Shell(), [&] {
        // Inside the About box's loop: the service goes and the clock asks
        // for a refresh; many idle passes later nothing may have happened.
        int passes = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            if (passes == 0) {
                service = 0;
                console->Shell().Frame().Tick();
            }
            if (++passes < 20) return;
            closedUnderBox = !console->Shell().isVisible();
            boxedUnderBox = BoxShown("Holdervane does not appear to be running.");
            poll.stop();
            modal->close();
        });
        poll.start(5);
        console->Shell().Action(57664)->trigger();
        aboutDone = true;
    });
    ASSERT_TRUE(WaitForEvents([&] { return aboutDone; }));
    EXPECT_FALSE(closedUnderBox) << "the console closed under the About box";
    EXPECT_FALSE(boxedUnderBox);
    ASSERT_TRUE(WaitForEvents([&] { return !console->Shell().isVisible(); })) << "the waiting refresh never ran";
    EXPECT_TRUE(BoxShown("Holdervane does not appear to be running.\nHoldervane: Application Status will close now."));
}

TEST_F(Console, StopIsRefusedWhileInitialising) {
    Open();
    db.SetInitializing(true);
    console->Shell().Action(kCommandStop)->trigger();
    EXPECT_TRUE(BoxShown("You cannot stop Holdervane while it is initializing."));
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(console->Shell().isVisible());
    console->Shell().Action(kCommandHardwareAdmin)->trigger();
    EXPECT_EQ(launcher.siblings, std::vector<std::string>{"HWMAN hwman"});
}

TEST_F(Console, TreeCommandsFollowTheViewsState) {
    Open();
    QAction* collapseAll = console->Shell().Action(kCommandCollapseAll);
    QAction* expandAll = console->Shell().Action(kCommandExpandAll);
    ASSERT_TRUE(collapseAll && expandAll);
    ASSERT_TRUE(WaitForEvents([&] { return collapseAll->isEnabled() && !expandAll->isEnabled(); }));
    collapseAll->trigger();
    ASSERT_TRUE(WaitForEvents([&] { return !collapseAll->isEnabled() && expandAll->isEnabled(); }));
    EXPECT_FALSE(console->Doc().Trees()[0]->Expanded());
}

}  // namespace
}  // namespace appstat
