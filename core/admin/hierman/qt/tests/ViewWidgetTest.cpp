// The view's window offscreen: a click selects a root, a drag moves a tree to
// another group, numpad minus stores the zoom, and paint draws the icons.
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "QtTestApp.h"

#include "FakeConsoleParts.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <variant>

namespace hierman {
namespace {

class ViewWidget : public testing::Test, protected FakeConsoleParts {
protected:
    void SetUp() override {
        panelaid::TestApp();
        for (const char* tag : {"H1", "H2", "c1"}) {
            panelaid::FakeConsoleDatabase::Instance i;
            i.tag = tag;
            i.state = std::string(tag) == "H2" ? "OSU" : "ISP";
            db.AddInstance("SYSA", i);
        }
        db.AddDependency("SYSA", "H1", "c1");
        widget = std::make_unique<HiermanViewWidget>(Services(), "SYSA");
        widget->resize(640, 640);
        widget->show();
        widget->Logic().UpdateView(false);
    }
    QPoint Centre(int column, int row) const { return widget->CellRect(column, row).center(); }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), widget->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &event);
    }

    std::unique_ptr<HiermanViewWidget> widget;
};

TEST_F(ViewWidget, AClickSelectsARoot) {
    Mouse(QEvent::MouseButtonPress, Centre(0, 3), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Centre(0, 3), Qt::NoButton);
    ASSERT_NE(widget->Logic().FindRoot("H2"), nullptr);
    EXPECT_TRUE(widget->Logic().FindRoot("H2")->selected);
    EXPECT_FALSE(widget->Logic().FindRoot("H1")->selected);
    EXPECT_EQ(widget->Logic().Focus(), (CellPos{0, 3}));
}

TEST_F(ViewWidget, ADragMovesATreeToAnotherGroup) {
    widget->Logic().DoubleClick({0, 1});
    ASSERT_NE(widget->Logic().Get(1, 2), nullptr);
    Mouse(QEvent::MouseButtonPress, Centre(0, 1), Qt::LeftButton);
    Mouse(QEvent::MouseMove, Centre(3, 8), Qt::LeftButton);
    Mouse(QEvent::MouseMove, Centre(9, 8), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Centre(9, 8), Qt::NoButton);
    CMatrixCell* h1 = widget->Logic().FindRoot("H1");
    ASSERT_NE(h1, nullptr);
    EXPECT_EQ((CellPos{h1->column, h1->row}), (CellPos{8, 9}));
    EXPECT_EQ(widget->Logic().Parent(widget->Logic().FindCell("c1")), h1);
}

TEST_F(ViewWidget, NumpadMinusStoresTheZoom) {
    QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, QStringLiteral("-"));
    QApplication::sendEvent(widget.get(), &minus);
    EXPECT_EQ(widget->Logic().IconSize(), 24);
    const auto* stored = store.Find("HIERMAN", "Zoom");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(std::get<std::uint32_t>(*stored), 1u);
    QKeyEvent plainMinus(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-"));
    QApplication::sendEvent(widget.get(), &plainMinus);
    EXPECT_EQ(widget->Logic().IconSize(), 24);
}

TEST_F(ViewWidget, PaintDrawsEachIconAtItsCell) {
    const QImage shot = widget->viewport()->grab().toImage();
    struct Case { CellPos cell; int icon; } cases[] = {{{0, 1}, kIconSummaryInService}, {{0, 3}, kIconOutOfService}};
    for (const auto& c : cases) {
        const QImage icon = IconPixmap(c.icon, 32).toImage();
        const QRect rect = widget->CellRect(c.cell.column, c.cell.row);
        // A pixel inside the state disc, off the summary's plus.
        const QPoint centre(10, 10);
        EXPECT_EQ(shot.pixelColor(rect.topLeft() + centre).rgb(), icon.pixelColor(centre).rgb())
            << c.cell.column << "," << c.cell.row;
    }
    EXPECT_EQ(shot.pixelColor(widget->CellRect(10, 10).center()).rgb(), QColor(Qt::white).rgb());
}

}  // namespace
}  // namespace hierman
