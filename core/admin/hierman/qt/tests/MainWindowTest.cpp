// The main window offscreen on the fakes: a view per system, the machine bar's
// switch of the active view, refreshes and the close guard.
#include "AttributeSheet.h"
#include "ConsoleActions.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "MachineBarWidget.h"
#include "QtClick.h"
#include "QtTestApp.h"

#include "FakeConsoleParts.h"
#include "FakeLauncher.h"
#include "FakeScriptRunner.h"
#include "FrameCommands.h"
#include "ProcessScriptRunner.h"
#include "QtWaitPump.h"
#include "ScriptFixture.h"
#include "platform/TestTimeScale.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QApplication>
#include <QHelpEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWhatsThis>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

#include <variant>

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

TEST(MainWindow, AHangingKitListEndsInAnEmptyPopUpAndTheFailureInTheStatusBar) {
    // The list's time limit shrinks with the test time scale (when this
    // process has not read the scale yet; else the real limit holds).
    ::setenv(portlib::platform::kTestTimeScaleVar, "0.05", 0);
    panelaid::TestApp();
    FakeConsoleParts parts;
    parts.db.AddSystem("", "SYSA");
    panelaid::ScriptRoot root;
    root.Script("/admin/bin/KitList", "echo 'oracle:Oracle Database'\nexec sleep 600\n");
    panelaid::QtWaitPump pump;
    panelaid::ProcessScriptRunner runner([&root] { return root.Path(); }, pump);
    HiermanMainWindow window(parts.Services(),
                             FrameServices{parts.boxes, [] { return 1; }, [](bool) { return 0; }, [] { return false; }},
                             [] { return 1; }, runner);
    window.resize(900, 700);
    window.show();
    window.OpenSystem("SYSA");
    ASSERT_TRUE(window.Frame().CreateHierarchyEnabled());

    // Whatever pop-up appears is recorded and dismissed.
    QStringList offered;
    QTimer dismiss;
    dismiss.setInterval(5);
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions()) offered << a->text();
            menu->close();
        }
    });
    dismiss.start();
    window.Command(kCmdCreateHierarchy)->trigger();
    dismiss.stop();

    EXPECT_TRUE(runner.LastRunTimedOut());
    EXPECT_TRUE(offered.isEmpty()) << offered.join(',').toStdString();
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith(
        "The list of installed recovery kits could not be read"))
        << window.statusBar()->currentMessage().toStdString();
    // The console takes commands again: a sound list fills the next pop-up.
    root.Script("/admin/bin/KitList", "echo 'oracle:Oracle Database'\n");
    dismiss.start();
    window.Command(kCmdCreateHierarchy)->trigger();
    dismiss.stop();
    EXPECT_FALSE(runner.LastRunTimedOut());
    EXPECT_EQ(offered, QStringList{"Oracle Database"});
}

class MainWindowCommands : public testing::Test, protected FakeConsoleParts {
protected:
    void SetUp() override {
        panelaid::TestApp();
        db.AddSystem("", "SYSA");
        panelaid::FakeConsoleDatabase::Instance h1;
        h1.tag = "H1";
        h1.state = "ISP";
        db.AddInstance("SYSA", h1);
        window = MakeWindow();
    }
    std::unique_ptr<HiermanMainWindow> MakeWindow() {
        auto made = std::make_unique<HiermanMainWindow>(
            Services(), FrameServices{boxes, [] { return 1; }, [this](bool) { ++stops; return 0; },
                                      [this] { return db.Initializing(); }},
            [] { return 1; }, runner);
        made->Frame().UseLauncher(&launcher, [] { return std::string("/opt/hv"); });
        made->resize(900, 700);
        made->RestoreSettings();
        made->show();
        return made;
    }
    QMdiArea* Area() const { return window->findChild<QMdiArea*>(); }
    QStringList MenuTexts(const QString& title) const {
        QStringList texts;
        for (QAction* menu : window->menuBar()->actions())
            if (menu->text() == title)
                for (QAction* item : menu->menu()->actions())
                    if (!item->isSeparator()) texts << item->text();
        return texts;
    }

    panelaid::FakeScriptRunner runner;
    panelaid::FakeLauncher launcher;
    int stops = 0;
    std::unique_ptr<HiermanMainWindow> window;
};

TEST_F(MainWindowCommands, MenusFollowTheViewsAndPromptsSplitIntoStatusAndTip) {
    auto shown = [this](const char* title) {
        for (QAction* menu : window->menuBar()->actions())
            if (menu->text() == title) return menu->isVisible();
        return false;
    };
    EXPECT_FALSE(shown("&Admin"));
    EXPECT_TRUE(shown("&View"));
    EXPECT_TRUE(shown("&Help"));
    window->OpenSystem("SYSA");
    EXPECT_TRUE(shown("&Admin"));
    EXPECT_TRUE(shown("&Window"));
    EXPECT_EQ(MenuTexts("&Window"),
              (QStringList{"&Cascade", "Tile &Horizontally", "&Tile Vertically", "&Arrange Icons"}));
    // Opened, the Window menu lists the views' windows, the active one checked.
    window->OpenSystem("SYSA");
    QMenu* windows = nullptr;
    for (QAction* menu : window->menuBar()->actions())
        if (menu->text() == "&Window") windows = menu->menu();
    ASSERT_NE(windows, nullptr);
    for (int shown = 0; shown < 2; ++shown) emit windows->aboutToShow();
    EXPECT_EQ(MenuTexts("&Window"), (QStringList{"&Cascade", "Tile &Horizontally", "&Tile Vertically",
                                                 "&Arrange Icons", "&1 SYSA", "&2 SYSA"}));
    QList<QAction*> items = windows->actions();
    ASSERT_TRUE(items.back()->isChecked());
    QMdiSubWindow* first = Area()->subWindowList().first();
    items[items.size() - 2]->trigger();
    EXPECT_EQ(Area()->activeSubWindow(), first);
    EXPECT_EQ(MenuTexts("&Tools"), (QStringList{"&Application Status", "&Hardware Admin."}));

    QAction* create = window->Command(kCmdCreateHierarchy);
    EXPECT_EQ(create->statusTip(), "Create an Application Hierarchy");
    EXPECT_EQ(create->toolTip(), "Create Hierarchy");
    EXPECT_EQ(window->Command(kCmdAttributes)->toolTip(), "Attributes");
    // The administrator's actions follow the active view's focus.
    window->Actions().UpdateCommandStates();
    EXPECT_TRUE(window->Command(kCmdInService)->isEnabled());
    // While an action runs Create Hierarchy is off, in the menu and on the toolbar alike.
    window->Frame().SetBusy(true);
    window->UpdateCommandStates();
    EXPECT_FALSE(create->isEnabled());
    window->Actions().UpdateCommandStates();
    EXPECT_FALSE(window->Command(kCmdInService)->isEnabled());
    window->Frame().SetBusy(false);
    window->UpdateCommandStates();
    EXPECT_TRUE(create->isEnabled());

    QList<QAction*> buttons = window->MainToolBar()->actions();
    ASSERT_EQ(buttons.size(), 11);
    EXPECT_EQ(buttons[0], window->Command(kCmdInService));
    EXPECT_TRUE(buttons[2]->isSeparator());
    EXPECT_EQ(buttons[10], window->Command(kCmdContextHelp));
    EXPECT_TRUE(window->ToolsToolBar()->isHidden());
    window->Command(kCmdToolsToolbar)->trigger();
    EXPECT_FALSE(window->ToolsToolBar()->isHidden());
}

TEST_F(MainWindowCommands, ToolsHelpAndStopGoThroughTheFoundation) {
    window->OpenSystem("SYSA");
    window->Command(kCmdHardwareAdmin)->trigger();
    window->Command(kCmdApplicationStatus)->trigger();
    EXPECT_EQ(launcher.siblings, (std::vector<std::string>{"HWMAN hwman", "APPSTAT appstat"}));

    window->Command(kCmdHelp)->trigger();
    window->Command(kCmdHelpContents)->trigger();
    // Context help on the view's first root: the in-service icon's help.
    HiermanViewWidget* view = window->ActiveView();
    ASSERT_NE(view, nullptr);
    const QPoint cell = view->CellRect(0, 1).center();
    QHelpEvent what(QEvent::WhatsThis, cell, view->viewport()->mapToGlobal(cell));
    QApplication::sendEvent(view->viewport(), &what);
    EXPECT_EQ(launcher.help, (std::vector<std::string>{"/opt/hv/admin/help/hvntmain.hlp#501",
                                                       "/opt/hv/admin/help/hvntmain.hlp#0",
                                                       "/opt/hv/admin/help/hvntmain.hlp#501"}));

    db.SetInitializing(true);
    window->Command(kCmdStopHoldervane)->trigger();
    db.SetInitializing(false);
    window->Frame().SetBusy(true);
    window->Command(kCmdStopHoldervane)->trigger();
    window->Frame().SetBusy(false);
    EXPECT_EQ(stops, 0);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text.rfind("You cannot stop Holdervane while it is initializing.", 0), 0u);
    EXPECT_EQ(boxes.Shown()[1].text.rfind("You cannot stop Holdervane while an action request", 0), 0u);
}

// The context-help button, then a click: the clicked part's help context.
TEST_F(MainWindowCommands, ContextHelpAnswersForTheClickedPart) {
    window->OpenSystem("SYSA");
    auto* bar = window->findChild<MachineBarWidget*>();
    ASSERT_NE(bar, nullptr);
    QToolBar* tools = window->findChild<QToolBar*>(QStringLiteral("MainToolBar"));
    ASSERT_NE(tools, nullptr);
    QWidget* helpButton = tools->widgetForAction(window->Command(kCmdContextHelp));
    ASSERT_NE(helpButton, nullptr);
    struct Case {
        const char* part;
        QWidget* widget;
        QPoint at;
        const char* context;
    } cases[] = {
        // The bar's own help id (0x90) where no system stands.
        {"the machine bar", bar, QPoint(bar->width() - 2, 2), "#5015"},
        {"a toolbar button", tools->widgetForAction(window->Command(kCmdCreateDependency)), QPoint(2, 2), "#5001"},
        {"the toolbar itself", tools, QPoint(tools->width() - 2, tools->height() / 2), "#5015"},
        {"the status bar", window->statusBar(), QPoint(2, 2), "#501"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        ASSERT_NE(c.widget, nullptr);
        launcher.help.clear();
        panelaid::Click(helpButton, helpButton->rect().center());
        ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
        panelaid::Click(c.widget, c.at);
        EXPECT_EQ(launcher.help, std::vector<std::string>{std::string("/opt/hv/admin/help/hvntmain.hlp") + c.context});
        EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    }

    // A menu opens for a pick; About gives its help and no box.
    launcher.help.clear();
    panelaid::Click(helpButton, helpButton->rect().center());
    QMenuBar* menus = window->menuBar();
    QAction* title = nullptr;
    for (QAction* a : menus->actions())
        if (a->text() == QStringLiteral("&Help")) title = a;
    ASSERT_NE(title, nullptr);
    panelaid::Click(menus, menus->actionGeometry(title).center());
    QMenu* menu = title->menu();
    ASSERT_TRUE(menu->isVisible());
    panelaid::Click(menu, menu->actionGeometry(window->Command(kCmdAbout)).center());
    EXPECT_EQ(launcher.help, std::vector<std::string>{"/opt/hv/admin/help/hvntmain.hlp#5019"});
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The attributes sheet's Help gives the shown page's help context.
TEST_F(MainWindowCommands, TheAttributesSheetsHelpGoesToTheLauncher) {
    window->OpenSystem("SYSA");
    HiermanViewWidget* view = window->ActiveView();
    ASSERT_NE(view, nullptr);
    view->Logic().FindRoot("H1")->selected = true;
    std::vector<int> pages;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto* sheet = qobject_cast<AttributeSheet*>(QApplication::activeModalWidget());
        if (sheet == nullptr) return;
        press.stop();
        QObject::connect(sheet, &AttributeSheet::helpRequested, [&](int id) { pages.push_back(id); });
        auto* tabs = sheet->findChild<QTabWidget*>();
        QPushButton* help = sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help);
        ASSERT_TRUE(tabs != nullptr && help != nullptr);
        help->click();
        tabs->setCurrentIndex(2);
        help->click();
        sheet->accept();
    });
    press.start(5);
    window->Actions().UpdateCommandStates();
    ASSERT_TRUE(window->Command(kCmdAttributes)->isEnabled());
    window->Command(kCmdAttributes)->trigger();
    press.stop();
    EXPECT_EQ(pages, (std::vector<int>{0x20093, 0x2009E}));
    EXPECT_EQ(launcher.help, (std::vector<std::string>{"/opt/hv/admin/help/hvntmain.hlp#5503",
                                                       "/opt/hv/admin/help/hvntmain.hlp#5503"}));
}

TEST_F(MainWindowCommands, TilesAndIconsArrangeTheViews) {
    window->OpenSystem("SYSA");
    window->OpenSystem("SYSA");
    window->OpenSystem("SYSA");
    const QList<QMdiSubWindow*> subs = Area()->subWindowList();
    ASSERT_EQ(subs.size(), 3);
    const QSize area = Area()->viewport()->size();
    window->Command(kCmdTileHorizontally)->trigger();
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width(), subs[0]->height()));
    EXPECT_EQ(subs[1]->y(), subs[0]->height());
    EXPECT_EQ(subs[2]->geometry().bottom(), area.height() - 1);
    window->Command(kCmdTileVertically)->trigger();
    EXPECT_EQ(subs[1]->x(), subs[0]->width());
    EXPECT_EQ(subs[2]->height(), area.height());

    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(300, 10);
    window->Command(kCmdArrangeIcons)->trigger();
    EXPECT_EQ(subs[0]->pos(), QPoint(0, area.height() - subs[0]->height()));
    EXPECT_EQ(subs[2]->pos(), QPoint(subs[0]->width(), area.height() - subs[2]->height()));
    // The tile leaves minimized windows where they are.
    window->Command(kCmdTileHorizontally)->trigger();
    EXPECT_EQ(subs[1]->geometry(), QRect(QPoint(0, 0), area));
}

TEST_F(MainWindowCommands, BarVisibilityIsSavedWithTheWindow) {
    window->Command(kCmdMainToolbar)->trigger();
    window->Command(kCmdStatusBar)->trigger();
    window->setGeometry(40, 30, 700, 500);
    EXPECT_TRUE(window->MainToolBar()->isHidden());
    EXPECT_TRUE(window->statusBar()->isHidden());
    ASSERT_TRUE(window->close());
    const auto* saved = store.Find("HIERMAN", "Window");
    ASSERT_NE(saved, nullptr);
    const std::string text = std::get<std::string>(*saved);
    EXPECT_EQ(text.substr(text.size() - 4), ",0,0") << text;

    std::unique_ptr<HiermanMainWindow> again = MakeWindow();
    // Saved and restored as it was, without the frame's margins added.
    EXPECT_EQ(again->geometry(), QRect(40, 30, 700, 500));
    EXPECT_TRUE(again->MainToolBar()->isHidden());
    EXPECT_TRUE(again->statusBar()->isHidden());
    EXPECT_FALSE(again->Command(kCmdMainToolbar)->isChecked());
    again->Command(kCmdMainToolbar)->trigger();
    ASSERT_TRUE(again->close());
    const std::string back = std::get<std::string>(*store.Find("HIERMAN", "Window"));
    EXPECT_EQ(back.substr(back.size() - 4), ",1,0") << back;
}

TEST_F(MainWindowCommands, AStoredAreaOutOfRangeLeavesTheWindowAsItWas) {
    for (const char* stored : {"0,30,40,2000000000,410,1,1", "0,-2147483648,40,520,410,1,1"}) {
        store.SetText("HIERMAN", "Window", stored);
        std::unique_ptr<HiermanMainWindow> again = MakeWindow();
        EXPECT_EQ(again->size(), QSize(900, 700)) << stored;
        EXPECT_LE(std::abs(again->x()), panelaid::WindowSettings::kMaxPlacementOffset) << stored;
    }
}

TEST_F(MainWindowCommands, TheAboutBoxShowsTheProgram) {
    QString title;
    QString text;
    // Answers the box once its loop runs.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    answer.start(10);
    window->Command(kCmdAbout)->trigger();
    answer.stop();
    EXPECT_EQ(title, "About Hierarchy Status and Administration");
    EXPECT_EQ(text, "Holdervane: Hierarchy Administration");
}

}  // namespace
}  // namespace hierman
