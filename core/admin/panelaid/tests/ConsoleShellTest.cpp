// The single-document shell window offscreen on the fakes: the refresh clock
// runs the document's refresh when the loop is idle and never while a modal
// dialog is open, the placement is restored and saved, and the menus carry
// the console's own and the standard commands, and context help answers for
// the part clicked.
#include "ConsoleShell.h"
#include "ContextHelp.h"
#include "FakeConsoleDatabase.h"
#include "FakeLauncher.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "QtClick.h"
#include "QtTestApp.h"
#include "QtWait.h"
#include "TempSystemDir.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

namespace panelaid {
namespace {

constexpr const char* kTitle = "Holdervane: Hardware Administration";


struct CountingDocument : ShellDocument {
    void Reload() override { ++reloads; }
    void Refresh() override { ++refreshes; }
    void Closing() override { ++closings; }
    int reloads = 0;
    int refreshes = 0;
    int closings = 0;
};

class ConsoleShellTest : public ::testing::Test {
protected:
    ConsoleShellTest() { TestApp(); }

    ShellSpec Spec() {
        ShellSpec spec;
        spec.title = kTitle;
        spec.program = "HWMAN";
        spec.help = {{0x20080, 4500}, {kCommandHelpBase + 32778, 4510}, {kStatusBarHelpId, 4520},
                     {kCommandHelpBase + 57665, 4530}};
        spec.refreshMs = 20;
        ShellMenu path{"Comm&Path", {}};
        ShellItem create;
        create.text = "&Create...";
        create.id = 32778;
        create.prompt = "Pops up a dialog box to create a communication path\nCreate CommPath";
        create.run = [this] { ++creates_; };
        create.enabled = [this] { return !db_.Initializing(); };
        path.items.push_back(create);
        path.items.push_back({"", 0, "", ShellAction::Separator});
        path.items.push_back({"E&xit", 57665, "Quit\nExit", ShellAction::Exit});
        ShellMenu tools{"&Tools", {}};
        ShellItem sibling{"&Application Status", 32781, "", ShellAction::Sibling};
        sibling.sibling = {"APPSTAT", "appstat", "Application Status Display"};
        tools.items.push_back(sibling);
        tools.items.push_back({"&Stop Holdervane", 32775, "Stop Holdervane", ShellAction::Stop});
        ShellMenu view{"&View", {}};
        view.items.push_back({"&Toolbar", 59392, "", ShellAction::ToggleToolbar});
        spec.menus = {path, tools, view};
        spec.toolbar = {32778, 0, 32781, kContextHelpCommand};
        return spec;
    }

    std::unique_ptr<ConsoleShell> MakeShell() {
        auto shell = std::make_unique<ConsoleShell>(
            Spec(),
            ShellServices{db_, boxes_, launcher_, [this] { return service_; },
                          [this](bool start) {
                              starts_.push_back(start);
                              return 1;
                          }},
            windows_);
        shell->SetDocument(&doc_);
        return shell;
    }

    hvtest::TempSystemDir sys_;
    FakeConsoleDatabase db_{"SYSA"};
    FakeMessageBoxes boxes_;
    FakeLauncher launcher_;
    FakeSettingsStore store_;
    WindowSettings windows_{store_, boxes_};
    CountingDocument doc_;
    int service_ = 1;
    int creates_ = 0;
    std::vector<bool> starts_;
};

TEST_F(ConsoleShellTest, TheClockRefreshesWhenIdleAndTheRequestWaitsOutAModalDialog) {
    auto shell = MakeShell();
    shell->Place();
    ASSERT_TRUE(WaitForEvents([&] { return doc_.refreshes >= 1; }));
    EXPECT_TRUE(shell->Frame().TimerArmed());

    int refreshesWhileOpen = -1;
    int before = -1;
    QTimer::singleShot(0, shell.get(), [&] {
        QDialog dialog(shell.get());
        dialog.setModal(true);
        // Inside the dialog's own loop: wait for a tick to ask, then let the
        // loop go idle many more times; the refresh must not come.
        int idleWakes = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (before < 0) before = doc_.refreshes;
            if (!shell->Frame().RefreshRequested()) return;
            if (++idleWakes < 20) return;
            refreshesWhileOpen = doc_.refreshes;
            dialog.accept();
        });
        poll.start(5);
        dialog.exec();
    });
    ASSERT_TRUE(WaitForEvents([&] { return refreshesWhileOpen >= 0; }));
    EXPECT_EQ(refreshesWhileOpen, before) << "refreshed while a modal dialog was open";
    ASSERT_TRUE(WaitForEvents([&] { return doc_.refreshes > refreshesWhileOpen; })) << "the waiting request never ran";
}

TEST_F(ConsoleShellTest, ThePlacementAndTheBarsAreRestoredAndSavedAtClose) {
    store_.SetText("HWMAN", "Window", "0,30,40,520,410,0,1");
    auto shell = MakeShell();
    shell->Place();
    EXPECT_EQ(shell->size(), QSize(520, 410));
    EXPECT_FALSE(shell->ToolBar()->isVisible());
    EXPECT_TRUE(shell->statusBar()->isVisible());
    shell->resize(600, 450);
    shell->ToolBar()->setVisible(true);
    EXPECT_TRUE(shell->close());
    EXPECT_EQ(doc_.closings, 1);
    const std::string saved = std::get<std::string>(*store_.Find("HWMAN", "Window"));
    EXPECT_EQ(saved.substr(0, 2), "0,");
    EXPECT_NE(saved.find(",600,450,1,1"), std::string::npos) << saved;

    // Nothing saved: a normal window.
    FakeSettingsStore empty;
    WindowSettings windows{empty, boxes_};
    ConsoleShell fresh(Spec(), ShellServices{db_, boxes_, launcher_, [] { return 1; }, [](bool) { return 1; }},
                       windows);
    fresh.Place();
    EXPECT_TRUE(fresh.isVisible());
    EXPECT_FALSE(fresh.isMaximized());
    EXPECT_FALSE(fresh.isMinimized());
}

// A damaged stored area is not given to the window: it keeps a default one.
TEST_F(ConsoleShellTest, AStoredAreaOutOfRangeIsNotUsed) {
    for (const char* stored : {"0,30,40,2000000000,410,1,1", "0,30,40,520,-410,1,1", "0,30,40,0,0,1,1",
                               "0,-2147483648,40,520,410,1,1", "0,30,99999999,520,410,1,1"}) {
        store_.SetText("HWMAN", "Window", stored);
        auto shell = MakeShell();
        shell->Place();
        EXPECT_TRUE(shell->isVisible()) << stored;
        const QRect area = shell->geometry();
        EXPECT_GT(area.width(), 0) << stored;
        EXPECT_GT(area.height(), 0) << stored;
        EXPECT_LE(area.width(), WindowSettings::kMaxPlacementSide) << stored;
        EXPECT_LE(area.height(), WindowSettings::kMaxPlacementSide) << stored;
        EXPECT_LE(std::abs(area.left()), WindowSettings::kMaxPlacementOffset) << stored;
        EXPECT_LE(std::abs(area.top()), WindowSettings::kMaxPlacementOffset) << stored;
    }
}

TEST_F(ConsoleShellTest, MenusCarryTheConsolesCommandsAndTheStandardOnes) {
    auto shell = MakeShell();
    shell->Place();
    QAction* create = shell->Action(32778);
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create->statusTip(), QStringLiteral("Pops up a dialog box to create a communication path"));
    EXPECT_EQ(create->toolTip(), QStringLiteral("Create CommPath"));
    EXPECT_EQ(shell->ToolBar()->actions().size(), 4);
    create->trigger();
    EXPECT_EQ(creates_, 1);

    db_.SetInitializing(true);
    ASSERT_TRUE(WaitForEvents([&] { return !create->isEnabled(); }));
    EXPECT_EQ(shell->statusBar()->currentMessage(), QString::fromUtf8(kInitializingText));
    db_.SetInitializing(false);
    ASSERT_TRUE(WaitForEvents([&] { return create->isEnabled(); }));

    shell->Action(32781)->trigger();
    EXPECT_EQ(launcher_.siblings, std::vector<std::string>{"APPSTAT appstat"});
    shell->Action(59392)->trigger();
    EXPECT_FALSE(shell->ToolBar()->isVisible());

    boxes_.Answer(BoxAnswer::Yes);
    shell->Action(32775)->trigger();
    EXPECT_EQ(starts_, std::vector<bool>{false});
    EXPECT_FALSE(shell->isVisible()) << "a stopped service ends the console";
}

TEST_F(ConsoleShellTest, StartReloadsTheDocumentOnlyAfterTheServiceCheck) {
    service_ = 0;
    boxes_.Answer(BoxAnswer::No);
    auto refused = MakeShell();
    EXPECT_FALSE(refused->Start());
    EXPECT_EQ(doc_.reloads, 0);
    refused.reset();

    service_ = 1;
    auto shell = MakeShell();
    EXPECT_TRUE(shell->Start());
    EXPECT_EQ(doc_.reloads, 1);
}

TEST_F(ConsoleShellTest, TheContextHelpButtonGivesTheNextClickedPartsHelp) {
    auto shell = MakeShell();
    auto* view = new QWidget;
    shell->SetView(view);
    shell->resize(400, 300);
    shell->Place();
    // The bars have their places once the window's layout ran.
    ASSERT_TRUE(WaitForEvents([&] { return shell->statusBar()->geometry().top() > view->geometry().top(); }));
    QToolBar* bar = shell->ToolBar();
    QWidget* helpButton = bar->widgetForAction(shell->Action(kContextHelpCommand));
    ASSERT_NE(helpButton, nullptr);
    EXPECT_EQ(shell->Action(kContextHelpCommand)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));

    struct Case {
        const char* part;
        QWidget* widget;
        std::string context;
    } cases[] = {
        {"a toolbar button: its command's", bar->widgetForAction(shell->Action(32778)), "#4510"},
        {"a toolbar button of no help row: the window's", bar->widgetForAction(shell->Action(32781)), "#4500"},
        {"the status bar: its own", shell->statusBar(), "#4520"},
        {"the view: the window's", view, "#4500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        ASSERT_NE(c.widget, nullptr);
        launcher_.help.clear();
        Click(helpButton, helpButton->rect().center());
        ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
        Click(c.widget, c.widget->rect().center());
        ASSERT_EQ(launcher_.help.size(), 1u);
        EXPECT_EQ(launcher_.help[0].substr(launcher_.help[0].find('#')), c.context);
        EXPECT_FALSE(QWhatsThis::inWhatsThisMode()) << "one click answers, the next acts again";
    }

    // On the menu bar the menu opens for a pick; the command picked gives its
    // help and does not run.
    launcher_.help.clear();
    Click(helpButton, helpButton->rect().center());
    QMenuBar* menus = shell->menuBar();
    QAction* title = menus->actions().at(0);
    Click(menus, menus->actionGeometry(title).center());
    QMenu* menu = title->menu();
    ASSERT_TRUE(WaitForEvents([&] { return menu->isVisible(); }));
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    EXPECT_TRUE(launcher_.help.empty());
    Click(menu, menu->actionGeometry(shell->Action(57665)).center());
    ASSERT_EQ(launcher_.help.size(), 1u);
    EXPECT_EQ(launcher_.help[0].substr(launcher_.help[0].find('#')), "#4530");
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(shell->isVisible()) << "Exit did not run";
    EXPECT_EQ(creates_, 0) << "a click for help runs no command";
}

}  // namespace
}  // namespace panelaid
