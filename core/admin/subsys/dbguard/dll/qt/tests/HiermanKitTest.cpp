// The kit from the hierarchy console: Create Hierarchy's pop-up (filled by
// the installed KitList) offers it, choosing it runs the console's action,
// which loads the kit for the sheet, and the console's view shows the
// hierarchy the kit made.
#include "KitFixture.h"

#include "CHiermanView.h"
#include "FakeConsoleParts.h"
#include "FrameCommands.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "ProcessScriptRunner.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace dbguard {
namespace {

// Chooses the pop-up menu's item with text once the menu is up, as the
// keyboard would; records the items offered.
void ChooseFromPopUp(const QString& text, QStringList* offered) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, text, offered, deadline] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr && std::chrono::steady_clock::now() < deadline) return;
        poll->stop();
        poll->deleteLater();
        if (menu == nullptr) {
            ADD_FAILURE() << "no pop-up menu appeared";
            return;
        }
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            offered->push_back(a->text());
            if (a->text() == text) chosen = a;
        }
        if (chosen != nullptr) menu->setActiveAction(chosen);
        QKeyEvent key(QEvent::KeyPress, chosen != nullptr ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(menu, &key);
    });
    poll->start();
}

TEST_F(KitSheetOnScreen, CreateHierarchyFromTheConsolesPopUpEndsInItsView) {
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
    window.resize(900, 700);
    window.show();
    window.OpenSystem("NODE1");

    QStringList offered;
    ChooseFromPopUp(QStringLiteral("SQL Server"), &offered);
    boxes_.Answer(panelaid::BoxAnswer::Ok);  // the switchover warning
    bool sheetShown = false;
    WhenDialogUp([this, &sheetShown](QWidget* sheet) {
        sheetShown = sheet->windowTitle() == QStringLiteral("SQL Hierarchy Creation");
        EXPECT_TRUE(ApplyCluster(sheet, kPassword));
        Child<QPushButton>(Page(sheet, "activeStandbyPage"), "apply")->click();
        // What the server's ascreate leaves in the database.
        AddHierarchy("SQLServer.0", "NODE2");
    });
    window.Command(hierman::kCmdCreateHierarchy)->trigger();

    EXPECT_TRUE(offered.contains(QStringLiteral("SQL Server"))) << offered.join(',').toStdString();
    EXPECT_TRUE(sheetShown);
    // The console refreshed its view after the kit reported the hierarchy made.
    ASSERT_NE(window.ActiveView(), nullptr);
    EXPECT_NE(window.ActiveView()->Logic().FindRoot("SQLServer.0"), nullptr);
    const std::string pid = window.Frame().ProcessIdText();
    EXPECT_EQ(Journal(), (Strings{
                             "getrootdir [-d] [NODE1] password=unset cmdline=clean",
                             "sqlconfg [NODE1] [NODE2] password=unset cmdline=clean",
                             "Create [NODE1] [NODE2] [.PreCreate] [" + pid + "] password=unset cmdline=clean",
                             "ascreate [NODE1] [NODE2] [SQLServer.0] [sa] [] [Y] [N] [Y] password=match cmdline=clean",
                             "Create [NODE1] [NODE2] [SQLServer.0] [" + pid + "] password=unset cmdline=clean",
                             "Create [NODE1] [NODE2] [.PostCreate] [" + pid + "] password=unset cmdline=clean",
                         }));
    for (const auto& box : boxes_.Shown()) EXPECT_NE(box.text, "Error! Unable to create hierarchy");
    window.close();
}

}  // namespace
}  // namespace dbguard
