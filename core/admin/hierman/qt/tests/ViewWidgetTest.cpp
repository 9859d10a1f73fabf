// The view's window offscreen: a click selects a root, a drag moves a tree to
// another group, numpad minus stores the zoom, and paint draws the icons.
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "QtTestApp.h"
#include "ViewFontChooser.h"

#include "FakeConsoleParts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QTimer>
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
    // The drag shows our own cursor at the icons' size.
    EXPECT_EQ(widget->viewport()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(widget->viewport()->cursor().pixmap().size(), QSize(32, 32));
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

TEST_F(ViewWidget, APaintReadsNothingFromTheDatabaseAndAnExpandChangesTheIcon) {
    using Op = panelaid::FakeConsoleDatabase::Op;
    widget->viewport()->grab();
    const int reads = db.Calls(Op::InstanceList) + db.Calls(Op::DependencyList);
    widget->viewport()->grab();
    EXPECT_EQ(db.Calls(Op::InstanceList) + db.Calls(Op::DependencyList), reads);
    // Expanded, H1 shows its own state instead of its tree's summary.
    widget->Logic().DoubleClick({0, 1});
    const QImage shot = widget->viewport()->grab().toImage();
    const QPoint inside(10, 10);
    EXPECT_EQ(shot.pixelColor(widget->CellRect(0, 1).topLeft() + inside).rgb(),
              IconPixmap(kIconInService, 32).toImage().pixelColor(inside).rgb());
}

TEST_F(ViewWidget, CtrlFTakesTheFontAndColourDialogsChoice) {
    int answered = 0;
    ViewFont given;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* fonts = qobject_cast<QFontDialog*>(modal)) {
            // The installed fonts decide what the dialog can hold: take
            // whatever it shows after asking for a bold face.
            QFont bold = fonts->currentFont();
            bold.setBold(true);
            fonts->setCurrentFont(bold);
            given = ViewFontOf(fonts->currentFont(), widget->logicalDpiY());
            fonts->accept();
            ++answered;
        } else if (auto* colours = qobject_cast<QColorDialog*>(modal)) {
            colours->setCurrentColor(QColor(0, 0, 255));
            colours->accept();
            ++answered;
        }
    });
    answer.start(10);
    QKeyEvent ctrlF(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier, QStringLiteral("f"));
    QApplication::sendEvent(widget.get(), &ctrlF);
    answer.stop();
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(widget->Logic().Font().face, given.face);
    EXPECT_EQ(widget->Logic().Font().height, given.height);
    EXPECT_EQ(widget->Logic().Font().weight, given.weight < 700 ? 0 : given.weight);
    EXPECT_EQ(widget->Logic().TextColour(), 0x0000FFu);

    // Both dialogs cancelled: the font and colour stay.
    const ViewFont before = widget->Logic().Font();
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    cancel.start(10);
    QApplication::sendEvent(widget.get(), &ctrlF);
    cancel.stop();
    EXPECT_EQ(widget->Logic().Font(), before);
    EXPECT_EQ(widget->Logic().TextColour(), 0x0000FFu);
}

TEST(IconResources, EveryIconCursorAndToolButtonIsDrawn) {
    panelaid::TestApp();
    for (int pixels : {32, 24, 16}) {
        for (int icon : {130, 131, 132, 133, 134, 135, 136, 137, 140, 141, 142}) {
            const QImage image = IconPixmap(icon, pixels).toImage();
            ASSERT_EQ(image.size(), QSize(pixels, pixels)) << icon << "@" << pixels;
            // Something is drawn: not every pixel is transparent.
            bool drawn = false;
            for (int y = 0; y < pixels && !drawn; ++y)
                for (int x = 0; x < pixels && !drawn; ++x) drawn = image.pixelColor(x, y).alpha() != 0;
            EXPECT_TRUE(drawn) << icon << "@" << pixels;
        }
        for (int cursor = 1; cursor <= 5; ++cursor) {
            const QCursor shape = DragCursor(cursor, pixels);
            EXPECT_EQ(shape.pixmap().size(), QSize(pixels, pixels));
            EXPECT_EQ(shape.hotSpot(), QPoint(pixels / 2, pixels / 2));
        }
    }
    EXPECT_EQ(ResourceNumber(130, 24), 161);
    EXPECT_EQ(ResourceNumber(143, 16), 160);
    EXPECT_EQ(ResourceNumber(144, 16), 144);
    EXPECT_EQ(IconPixmap(144, 32).size(), QSize(32, 32));
    for (int command : {32771, 32772, 32773, 32774, 32775, 32776, 32782, 32783, 0xE140, 0xE145})
        EXPECT_FALSE(ToolButtonIcon(command).isNull()) << command;
    EXPECT_TRUE(ToolButtonIcon(32781).isNull());
}

}  // namespace
}  // namespace hierman
