// The main window offscreen on the fakes: a view per system, the machine bar's
// switch of the active view, refreshes and the close guard.
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "QtTestApp.h"

#include "FakeConsoleParts.h"
#include "FakeScriptRunner.h"

#include <gtest/gtest.h>

namespace hierman {
namespace {

TEST(MainWindow, OpensViewsSwitchesThemAndRefusesToCloseWhileBusy) {
    panelaid::TestApp();
    FakeConsoleParts parts;
    panelaid::FakeConsoleDatabase& db = parts.db;
    panelaid::FakeMessageBoxes& boxes = parts.boxes;
    panelaid::FakeScriptRunner runner;
    db.AddSystem("", "SYSA");
    db.AddSystem("", "SYSB");
    panelaid::PathDefinition path;
    path.system = "SYSB";
    db.AddPath("", path, "ALIVE");
    panelaid::FakeConsoleDatabase::Instance h1, b1;
    h1.tag = "H1";
    b1.tag = "B1";
    db.AddInstance("SYSA", h1);
    db.AddInstance("SYSB", b1);

    HiermanMainWindow window(parts.Services(),
                             FrameServices{boxes, [] { return 1; }, [](bool) { return 0; }, [] { return false; }},
                             [] { return 1; }, runner);
    window.resize(900, 700);
    window.show();
    window.OpenSystem("SYSA");
    ASSERT_NE(window.ActiveView(), nullptr);
    EXPECT_NE(window.ActiveView()->Logic().FindRoot("H1"), nullptr);

    window.Bar().Layout(900, 700);
    CMatrixCell* sysb = window.Bar().Buttons().FindRoot("SYSB");
    ASSERT_NE(sysb, nullptr);
    window.Bar().ButtonDown({sysb->column, sysb->row});
    window.Bar().ClickTimerFired();
    EXPECT_EQ(window.ActiveView()->Logic().SystemName(), "SYSB");
    EXPECT_NE(window.ActiveView()->Logic().FindRoot("B1"), nullptr);
    EXPECT_EQ(window.ActiveView()->Logic().FindRoot("H1"), nullptr);

    panelaid::FakeConsoleDatabase::Instance b2;
    b2.tag = "B2";
    db.AddInstance("SYSB", b2);
    window.Frame().WatchTick();
    EXPECT_NE(window.ActiveView()->Logic().FindRoot("B2"), nullptr);

    window.Frame().SetBusy(true);
    EXPECT_FALSE(window.close());
    EXPECT_EQ(boxes.Shown().back().text, "Please wait until the service request has completed before exiting.");
    window.Frame().SetBusy(false);
    EXPECT_TRUE(window.close());
}

}  // namespace
}  // namespace hierman
