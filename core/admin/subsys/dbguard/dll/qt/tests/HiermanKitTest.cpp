// The kit from the hierarchy console: the console's kit list (the installed
// KitList) names it, the console's block reaches the kit through the
// loader, and the console's view shows the hierarchy the kit made.
#include "KitFixture.h"

#include "CHiermanView.h"
#include "FakeConsoleParts.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "ProcessScriptRunner.h"

namespace dbguard {
namespace {

TEST_F(KitSheetOnScreen, TheConsolesKitListOpensTheSheetAndTheViewShowsTheNewHierarchy) {
    Control("sqlconfg.out", "Standby\n");
    db_.AddSystem("NODE1", "NODE1");
    db_.AddSystem("NODE1", "NODE2");
    panelaid::BlockingWaitPump pump;
    const std::string root = root_.Path();
    panelaid::ProcessScriptRunner runner([root] { return root; }, pump);
    hierman::FakeConsoleParts parts;
    panelaid::Advisor advisor{db_, boxes_};
    const hierman::ViewServices services{db_, advisor, parts.status, &parts.bar, parts.settings, boxes_};
    hierman::HiermanMainWindow window(
        services, hierman::FrameServices{boxes_, [] { return 1; }, [](bool) { return 0; }, [] { return false; }},
        [] { return 1; }, runner);
    window.show();
    window.OpenSystem("NODE1");

    // The Create Hierarchy pop-up's items come from the installed kits.
    const std::vector<hierman::KitItem> items = window.Frame().BuildKitMenu(runner);
    int command = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].label == "SQL Server") command = hierman::kFirstKitCommand + static_cast<int>(i);
    ASSERT_GE(command, 0);
    ASSERT_EQ(window.Frame().KitNameOf(command), "dbguard");

    // The block as the console fills it for the kit chosen.
    RecoveryKitControlBlock block;
    block.m_pid = window.Frame().ProcessIdText();
    block.m_machine = "NODE1";
    block.m_kit = window.Frame().KitNameOf(command);
    block.m_primarySystems = {"NODE1", "NODE2"};
    block.m_secondarySystems = block.m_primarySystems;
    boxes_.Answer(panelaid::BoxAnswer::Ok);  // the switchover warning
    WhenDialogUp([this](QWidget* sheet) {
        EXPECT_TRUE(ApplyCluster(sheet, kPassword));
        Child<QPushButton>(Page(sheet, "activeStandbyPage"), "apply")->click();
        // What the server's ascreate leaves in the database.
        AddHierarchy("SQLServer.0", "NODE2");
    });
    CreateHierarchy(&block);
    ASSERT_EQ(block.m_status, 1);
    window.RefreshAllViews();
    ASSERT_NE(window.ActiveView(), nullptr);
    EXPECT_NE(window.ActiveView()->Logic().FindRoot("SQLServer.0"), nullptr);
    const Strings journal = Journal();
    ASSERT_EQ(journal.size(), 6u) << ::testing::PrintToString(journal);
    EXPECT_EQ(journal[3], "ascreate [NODE1] [NODE2] [SQLServer.0] [sa] [] [Y] [N] [Y] password=match cmdline=clean");
    EXPECT_EQ(journal[2], "Create [NODE1] [NODE2] [.PreCreate] [" + block.m_pid + "] password=unset cmdline=clean");
    window.close();
}

}  // namespace
}  // namespace dbguard
