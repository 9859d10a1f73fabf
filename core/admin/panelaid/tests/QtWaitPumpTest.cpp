// The GUI thread's wait for a script: timers fire and windows paint meanwhile,
// the user's input is dropped.
#include "ProcessScriptRunner.h"
#include "QtTestApp.h"
#include "QtWaitPump.h"
#include "ScriptFixture.h"

#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace panelaid {
namespace {

class KeyCounter : public QWidget {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

TEST(QtWaitPumpTest, ATimerFiresDuringAOneSecondScriptAndAKeyPressNeverArrives) {
    TestApp();
    ScriptRoot root;
    root.Script("/admin/bin/Slow", "sleep 1\necho slept\n");
    QtWaitPump pump;
    ProcessScriptRunner runner([&] { return root.Path(); }, pump);
    KeyCounter widget;
    widget.show();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            QKeyEvent* press = new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
            QCoreApplication::postEvent(&widget, press);
        }
    });
    timer.start();
    EXPECT_EQ(runner.Execute("/admin/bin/Slow", ""), 0);
    timer.stop();
    EXPECT_GE(ticks, 1);
    EXPECT_EQ(runner.NextLine(), "slept");
    // Whatever is still queued is delivered now: the key is not among it.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(widget.keys, 0);
    // Outside the wait, keys arrive again.
    QKeyEvent later(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    QCoreApplication::sendEvent(&widget, &later);
    EXPECT_EQ(widget.keys, 1);
}

}  // namespace
}  // namespace panelaid
