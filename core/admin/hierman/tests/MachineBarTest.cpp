// The machine bar's logic: layout by width, buttons following the database,
// single and double clicks, systems that do not respond.
#include "CHiermanView.h"
#include "CMachineBar.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"

#include <gtest/gtest.h>

#include <vector>

namespace hierman {
namespace {

class RecordingHost : public MachineBarHost {
public:
    void RepaintBar() override { ++repaints; }
    void StartClickTimer() override { timerRunning = true; }
    void StopClickTimer() override { timerRunning = false; }
    void ShowInActiveView(const std::string& system) override { switched.push_back(system); }
    void OpenSystem(const std::string& system) override { opened.push_back(system); }
    void FocusActiveView() override { ++focusToView; }

    int repaints = 0;
    bool timerRunning = false;
    int focusToView = 0;
    std::vector<std::string> switched, opened;
};

class MachineBar : public testing::Test {
protected:
    void SetUp() override {
        db.AddSystem("", "SYSA");
        db.AddSystem("", "SYSB");
        db.AddSystem("", "SYSC");
        panelaid::PathDefinition path;
        path.system = "SYSB";
        db.AddPath("", path, "ALIVE");
        path.system = "SYSC";
        db.AddPath("", path, "DEAD");
        bar.Create();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int n = 0; CMatrixCell* cell = bar.Buttons().NthRoot(n); ++n) names.push_back(cell->text);
        return names;
    }
    CellPos At(const std::string& system) const {
        CMatrixCell* cell = bar.Buttons().FindRoot(system);
        return cell ? CellPos{cell->column, cell->row} : CellPos{-1, -1};
    }

    panelaid::FakeConsoleDatabase db{"SYSA"};
    panelaid::FakeMessageBoxes boxes;
    int serviceUp = 1;
    RecordingHost host;
    CMachineBar bar{db, boxes, [this] { return serviceUp; }, host};
};

TEST_F(MachineBar, LayoutFollowsTheParentsWidth) {
    struct Case { int width, height; int barWidth, barHeight, rows, columns; } cases[] = {
        {100, 300, 100, 300, 1, 12},   // narrower than one button: the parent's size
        {1000, 300, 1000, 32, 1, 28},  // seven per line
        {256, 300, 256, 64, 2, 8},     // two per line
        {128, 300, 128, 96, 3, 4},
    };
    for (const auto& c : cases) {
        const CMachineBar::Size size = bar.Layout(c.width, c.height);
        EXPECT_EQ(size.width, c.barWidth) << c.width;
        EXPECT_EQ(size.height, c.barHeight) << c.width;
        EXPECT_EQ(bar.Buttons().Rows(), c.rows) << c.width;
        EXPECT_EQ(bar.Buttons().Columns(), c.columns) << c.width;
        EXPECT_EQ(Names().size(), 3u) << c.width;
    }
    EXPECT_EQ(At("SYSC"), (CellPos{0, 2}));
    serviceUp = 0;
    const CMachineBar::Size none = bar.Layout(1000, 300);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

TEST_F(MachineBar, IconsShowWhichSystemsAnswer) {
    bar.Layout(1000, 300);
    EXPECT_EQ(bar.Buttons().FindRoot("SYSA")->icon, kMachineAlive);  // the local system
    EXPECT_EQ(bar.Buttons().FindRoot("SYSB")->icon, kMachineAlive);
    EXPECT_EQ(bar.Buttons().FindRoot("SYSC")->icon, kMachineDead);
    EXPECT_EQ(bar.HelpHitTest(At("SYSC")), kMachineDead);
    EXPECT_EQ(bar.HelpHitTest({27, 0}), kBarControlId);
}

TEST_F(MachineBar, UpdateAddsAndRemovesButtons) {
    bar.Layout(1000, 300);
    db.AddSystem("", "SYSD");
    host.repaints = 0;
    bar.Update();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSB", "SYSC", "SYSD"}));
    EXPECT_EQ(host.repaints, 1);
    db.SystemRemove(nullptr, "SYSB");
    bar.Update();
    EXPECT_EQ(Names(), (std::vector<std::string>{"SYSA", "SYSC", "SYSD"}));
    host.repaints = 0;
    bar.Update();
    EXPECT_EQ(host.repaints, 0);  // nothing changed
    db.FailNext(panelaid::FakeConsoleDatabase::Op::SystemList, 4, "down");
    bar.Update();
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_EQ(db.ErrorNumber(), 0);
}

TEST_F(MachineBar, ASingleClickSwitchesAfterTheIntervalADoubleClickOpens) {
    bar.Layout(1000, 300);
    bar.ButtonDown(At("SYSB"));
    EXPECT_EQ(bar.PendingSystem(), "SYSB");
    EXPECT_EQ(bar.ButtonIcon(bar.Buttons().FindRoot("SYSB")), kMachineDead);
    EXPECT_TRUE(host.timerRunning);
    EXPECT_TRUE(host.switched.empty());
    bar.ClickTimerFired();
    EXPECT_EQ(host.switched, (std::vector<std::string>{"SYSB"}));
    EXPECT_EQ(bar.PendingSystem(), "");
    EXPECT_FALSE(host.timerRunning);

    bar.ButtonDown(At("SYSA"));
    bar.DoubleClick();
    EXPECT_EQ(host.opened, (std::vector<std::string>{"SYSA"}));
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(host.switched.size(), 1u);
    bar.ClickTimerFired();  // a late tick after the double click does nothing
    EXPECT_EQ(host.switched.size(), 1u);
}

TEST_F(MachineBar, ADeadSystemIsRefusedWithItsMessage) {
    bar.Layout(1000, 300);
    bar.ButtonDown(At("SYSC"));
    bar.ClickTimerFired();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Cannot change view to specified machine; that system is not responding.");
    EXPECT_TRUE(host.switched.empty());
    EXPECT_EQ(bar.PendingSystem(), "SYSC");
    bar.ButtonDown(At("SYSC"));
    bar.DoubleClick();
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].text, "Cannot open view to specified machine; that system is not responding.");
    EXPECT_TRUE(host.opened.empty());
}

TEST_F(MachineBar, APendingSystemRemovedMeanwhileIsForgotten) {
    bar.Layout(1000, 300);
    bar.ButtonDown(At("SYSB"));
    db.SystemRemove(nullptr, "SYSB");
    bar.Update();
    EXPECT_EQ(bar.PendingSystem(), "");
    EXPECT_FALSE(host.timerRunning);
    bar.ClickTimerFired();
    EXPECT_TRUE(host.switched.empty());
}

TEST_F(MachineBar, KeysMoveTheFocusAndAct) {
    bar.Layout(1000, 300);
    bar.KeyDown(CMachineBar::Key::Right);
    EXPECT_EQ(bar.Focus(), At("SYSB"));
    EXPECT_TRUE(bar.FocusMarked());
    bar.KeyDown(CMachineBar::Key::Enter);
    EXPECT_EQ(host.opened, (std::vector<std::string>{"SYSB"}));
    bar.KeyDown(CMachineBar::Key::Space);
    bar.ClickTimerFired();
    EXPECT_EQ(host.switched, (std::vector<std::string>{"SYSB"}));
    bar.KeyDown(CMachineBar::Key::Tab);
    EXPECT_EQ(host.focusToView, 1);
    bar.KeyDown(CMachineBar::Key::Left);
    bar.KeyDown(CMachineBar::Key::Left);
    EXPECT_EQ(bar.Focus(), At("SYSA"));
}

}  // namespace
}  // namespace hierman
