// The administrator actions in the offscreen console: while a worker's
// script runs the five action commands are grey, a view window does not
// close, and clicks that would change a view or switch its system are
// dropped; afterwards all is as before.
#include "ConsoleActions.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "MachineBarWidget.h"
#include "QtTestApp.h"

#include "FakeConsoleParts.h"
#include "FakeScriptRunner.h"
#include "FrameCommands.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace hierman {
namespace {

using namespace std::chrono_literals;

// Scripts that hold the worker until the test lets them end.
struct ScriptGate {
    std::mutex mutex;
    std::condition_variable cv;
    int entered = 0;
    bool open = false;
    std::vector<std::string> calls;
};

class GatedRunner : public panelaid::FakeScriptRunner {
public:
    explicit GatedRunner(ScriptGate& gate) : gate_(gate) {}
    int Execute(const std::string& script, const std::string& args, const panelaid::Environment& env = {}) override {
        std::unique_lock<std::mutex> lock(gate_.mutex);
        gate_.calls.push_back(script + " " + args);
        ++gate_.entered;
        gate_.cv.notify_all();
        gate_.cv.wait_for(lock, 30s, [this] { return gate_.open; });
        return FakeScriptRunner::Execute(script, args, env);
    }

private:
    ScriptGate& gate_;
};

void Mouse(QWidget* target, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(ConsoleActions, WhileAScriptRunsTheConsoleRepaintsButTakesNoChangingInput) {
    panelaid::TestApp();
    FakeConsoleParts parts;
    panelaid::FakeConsoleDatabase& db = parts.db;
    db.AddSystem("", "SYSA");
    db.AddSystem("", "SYSB");
    panelaid::PathDefinition path;
    path.system = "SYSB";
    db.AddPath("", path, "ALIVE");
    for (const char* tag : {"H1", "H2", "kid"}) {
        panelaid::FakeConsoleDatabase::Instance i;
        i.tag = tag;
        db.AddInstance("SYSA", i);
    }
    db.AddDependency("SYSA", "H2", "kid");
    panelaid::FakeScriptRunner kitList;
    HiermanMainWindow window(parts.Services(),
                             FrameServices{parts.boxes, [] { return 1; }, [](bool) { return 0; }, [] { return false; }},
                             [] { return 1; }, kitList);
    ScriptGate gate;
    window.Actions().UseScriptRunners([&gate] { return std::make_unique<GatedRunner>(gate); });
    window.resize(900, 700);
    window.show();
    window.OpenSystem("SYSA");
    HiermanViewWidget* view = window.ActiveView();
    ASSERT_NE(view, nullptr);
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    ASSERT_NE(sub, nullptr);
    CHiermanView& logic = view->Logic();
    logic.FindRoot("H1")->selected = true;
    CMatrixCell* h2 = logic.FindRoot("H2");
    const QPoint h2At = view->CellRect(h2->column, h2->row).center();
    window.Bar().Layout(900, 700);
    CMatrixCell* sysb = window.Bar().Buttons().FindRoot("SYSB");
    ASSERT_NE(sysb, nullptr);
    QWidget* barWidget = window.findChild<MachineBarWidget*>();
    ASSERT_NE(barWidget, nullptr);
    const QPoint sysbAt(sysb->column * 32 + 16, sysb->row * 32 + 16);

    const int five[] = {kCmdInService, kCmdOutService, kCmdCreateDependency, kCmdDeleteDependency,
                        kCmdDeleteHierarchy};
    window.Actions().UpdateCommandStates();
    for (int id : five) EXPECT_TRUE(window.Command(id)->isEnabled()) << id;

    // No backup: go on. The confirmation is accepted once it is up.
    parts.boxes.Answer(panelaid::BoxAnswer::Yes);
    QTimer accept;
    QObject::connect(&accept, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    accept.start(5);
    // Once the worker is inside its first script, the console is tried.
    bool tried = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        {
            std::lock_guard<std::mutex> lock(gate.mutex);
            if (gate.entered == 0 || tried) return;
        }
        tried = true;
        EXPECT_TRUE(window.Frame().Busy());
        for (int id : five) EXPECT_FALSE(window.Command(id)->isEnabled()) << id;
        EXPECT_FALSE(sub->close());
        EXPECT_TRUE(sub->isVisible());
        EXPECT_EQ(parts.boxes.Shown().back().text,
                  "Please wait until the requested action has completedbefore attempting to close any view "
                  "windows.");
        Mouse(view->viewport(), QEvent::MouseButtonDblClick, h2At);
        Mouse(barWidget, QEvent::MouseButtonPress, sysbAt);
        EXPECT_FALSE(logic.FindRoot("H2")->expanded);
        EXPECT_EQ(logic.FindCell("kid"), nullptr);
        EXPECT_EQ(window.Bar().PendingSystem(), "");
        view->viewport()->repaint();  // painting goes on
        {
            std::lock_guard<std::mutex> lock(gate.mutex);
            gate.open = true;
        }
        gate.cv.notify_all();
    });
    during.start(5);

    window.Command(kCmdOutService)->trigger();
    accept.stop();
    during.stop();

    EXPECT_TRUE(tried);
    EXPECT_FALSE(window.Frame().Busy());
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        const std::string pid = window.Frame().ProcessIdText();
        EXPECT_EQ(gate.calls, (std::vector<std::string>{"/admin/bin/Remove SYSA SYSA .PreRemove " + pid,
                                                         "/admin/bin/Remove SYSA SYSA H1 " + pid,
                                                         "/admin/bin/Remove SYSA SYSA .PostRemove " + pid}));
    }
    window.Actions().UpdateCommandStates();
    for (int id : five) EXPECT_TRUE(window.Command(id)->isEnabled()) << id;
    // The same input now goes through.
    Mouse(view->viewport(), QEvent::MouseButtonDblClick, h2At);
    EXPECT_NE(logic.FindCell("kid"), nullptr);
    EXPECT_TRUE(sub->close());
}

}  // namespace
}  // namespace hierman
