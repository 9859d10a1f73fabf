// The status display on a shown Qt status bar: what the bar shows and how
// often it paints.
#include "QtStatusDisplay.h"
#include "QtTestApp.h"
#include "QtWait.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QWindow>

#include <gtest/gtest.h>

namespace panelaid {
namespace {

struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

TEST(QtStatusDisplayTest, OnlyAChangedTextIsSetAndPainted) {
    TestApp();
    QMainWindow window;
    QStatusBar* bar = window.statusBar();
    PaintCounter counter;
    bar->installEventFilter(&counter);
    window.show();
    ASSERT_TRUE(WaitForEvents([&] { return window.windowHandle()->isExposed() && counter.paints > 0; }));
    QtStatusDisplay display(bar);

    // No events are handled from here on: every paint counted is one the
    // display asked for at once.
    int painted = counter.paints;
    display.ShowText("Ready");
    EXPECT_EQ(bar->currentMessage(), "Ready");
    EXPECT_GT(counter.paints, painted) << "a new text is painted at once";
    painted = counter.paints;

    display.ShowText("Ready");
    EXPECT_EQ(counter.paints, painted) << "the text shown already is left alone";

    // Something else on the bar (a menu's tip, say) is replaced again.
    bar->clearMessage();
    display.ShowText("Ready");
    EXPECT_EQ(bar->currentMessage(), "Ready");
    EXPECT_GT(counter.paints, painted);
}

}  // namespace
}  // namespace panelaid
