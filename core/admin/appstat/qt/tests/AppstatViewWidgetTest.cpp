// The view's window offscreen: keys act on release (auto-repeat ignored), a
// double click selects and toggles, the focused tree is scrolled into sight
// only when hidden, and the bitmaps land on the computed boxes.
#include "AppstatBitmaps.h"
#include "AppstatParts.h"
#include "AppstatViewWidget.h"
#include "QtTestApp.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace appstat {
namespace {

class ViewWidget : public testing::Test, protected AppstatParts {
protected:
    void Open(int trees) {
        panelaid::TestApp();
        for (int i = 0; i < trees; ++i) AddHierarchy("t" + std::to_string(i), "ISP", "OSU");
        doc = std::make_unique<CAPPSTATDoc>(Services(), host);
        doc->OnNewDocument();
        doc->Load();
        widget = std::make_unique<AppstatViewWidget>(*doc);
        widget->resize(420, 320);
        widget->show();
        widget->Logic().OnUpdate();
    }
    void Key(QEvent::Type type, int key, bool autoRepeat = false,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCoreApplication::sendEvent(widget.get(), &event);
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Key(QEvent::KeyPress, key, false, modifiers);
        Key(QEvent::KeyRelease, key, false, modifiers);
    }
    GridPlace Focus() const {
        CAPPSTATRootResource* f = doc->FocusedTree();
        return f ? GridPlace{f->Column(), f->Row()} : GridPlace{-1, -1};
    }
    void Mouse(QEvent::Type type, const QPoint& at) {
        QMouseEvent event(type, QPointF(at), widget->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget->viewport(), &event);
    }
    QPoint Scroll() const { return widget->ScrollPosition(); }

    std::unique_ptr<CAPPSTATDoc> doc;
    std::unique_ptr<AppstatViewWidget> widget;
};

TEST_F(ViewWidget, KeysActOnReleaseAndHeldKeysOnce) {
    Open(9);
    Key(QEvent::KeyPress, Qt::Key_Right);
    EXPECT_EQ(doc->FocusedTree(), nullptr) << "a press does nothing";
    Key(QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(Focus(), (GridPlace{0, 0}));
    // Held: the repeats come as press and release pairs marked auto-repeat.
    Key(QEvent::KeyPress, Qt::Key_Right);
    for (int i = 0; i < 5; ++i) {
        Key(QEvent::KeyRelease, Qt::Key_Right, true);
        Key(QEvent::KeyPress, Qt::Key_Right, true);
    }
    Key(QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(Focus(), (GridPlace{1, 0})) << "moved once";
    EXPECT_EQ(Scroll(), QPoint(0, 0)) << "presses never scroll the area";
    Press(Qt::Key_Down);
    EXPECT_EQ(Focus(), (GridPlace{1, 1}));

    Press(Qt::Key_Space);
    CAPPSTATRootResource* focused = doc->FocusedTree();
    EXPECT_TRUE(focused->Selected());
    EXPECT_EQ(painter.Last(), "t3 - this application has been selected.");
    Press(Qt::Key_Tab);
    EXPECT_FALSE(focused->Selected()) << "Tab, as the focus texts say, flips the selection";
    Press(Qt::Key_Tab);
    EXPECT_TRUE(focused->Selected());
    Press(Qt::Key_Return);
    EXPECT_FALSE(focused->Expanded()) << "Enter toggles the selected trees";
    Press(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(doc->Zoom(), 90);
    Press(Qt::Key_Minus);
    EXPECT_EQ(doc->Zoom(), 90) << "only the keypad's minus zooms";
    Press(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(doc->Zoom(), 100);
}

TEST_F(ViewWidget, DoubleClickSelectsAndToggles) {
    Open(3);
    const Rect box = doc->Trees()[2]->Box();
    const QPoint inside(box.left + 5, box.top + 5);
    Mouse(QEvent::MouseButtonDblClick, inside);
    EXPECT_TRUE(doc->Trees()[2]->Selected());
    EXPECT_FALSE(doc->Trees()[2]->Expanded());
    EXPECT_TRUE(doc->Trees()[2]->FocusMark());
    Mouse(QEvent::MouseButtonPress, inside);
    EXPECT_FALSE(doc->Trees()[2]->Selected()) << "a click flips the selection";
    EXPECT_FALSE(doc->Trees()[2]->Expanded());
    Mouse(QEvent::MouseButtonPress, QPoint(box.right + 30, box.top));
    EXPECT_TRUE(doc->Trees()[2]->FocusMark()) << "a click beside every box changes nothing";
}

TEST_F(ViewWidget, FocusedTreeScrollsIntoSightOnlyWhenHidden) {
    Open(25);
    Press(Qt::Key_Right);  // the first tree takes the focus
    Press(Qt::Key_Right);
    Press(Qt::Key_Right);
    EXPECT_EQ(Scroll(), QPoint(0, 0)) << "(2,0) shows";
    Press(Qt::Key_Right);  // (3,0) reaches past the right edge
    EXPECT_GT(Scroll().x(), 0);
    EXPECT_EQ(Scroll().y(), 0);
    EXPECT_TRUE(widget->Visible().Holds(doc->FocusedTree()->Hit()));
    const QPoint before = Scroll();
    Press(Qt::Key_Left);
    EXPECT_EQ(Scroll(), before) << "(2,0) still shows";
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_GT(Scroll().y(), 0);
    EXPECT_TRUE(widget->Visible().Holds(doc->FocusedTree()->Hit()));
    widget->verticalScrollBar()->setValue(0);
    widget->horizontalScrollBar()->setValue(0);
    Press(Qt::Key_Space);  // the focused tree is hidden: into sight by its corner
    EXPECT_TRUE(widget->Visible().Holds(doc->FocusedTree()->Hit()));
}

TEST_F(ViewWidget, BitmapsAtTheComputedBoxes) {
    db.AddSystem("", "SYSB", 'D');
    Open(2);
    doc->Trees()[1]->SetExpanded(false);
    for (int zoom : {100, 80}) {
        if (zoom == 80) {
            Press(Qt::Key_Minus, Qt::KeypadModifier);
            Press(Qt::Key_Minus, Qt::KeypadModifier);
        }
        const QImage image = widget->viewport()->grab().toImage();
        const CAPPSTATRootResource& tree = *doc->Trees()[0];
        // The tree's bitmap: the local machine's face at a quarter across.
        const QImage protectedImage = AppstatBitmap(kBitmapProtected).toImage();
        const QPoint face(tree.Box().left + 18 * zoom / 100, tree.Box().top + 24 * zoom / 100);
        EXPECT_EQ(image.pixelColor(face), protectedImage.pixelColor(18, 24)) << zoom;
        // The entries: SYSA active, SYSB down.
        const auto& entries = tree.Entries();
        ASSERT_EQ(entries.size(), 2u);
        const int mid = 24 * zoom / 100;
        EXPECT_EQ(image.pixelColor(entries[0]->Left() + mid, entries[0]->Top() + mid),
                  AppstatBitmap(kBitmapActive).toImage().pixelColor(24, 24)) << zoom;
        EXPECT_EQ(image.pixelColor(entries[1]->Left() + mid, entries[1]->Top() + mid),
                  AppstatBitmap(kBitmapDownSystem).toImage().pixelColor(24, 24)) << zoom;
        EXPECT_FALSE(entries[1]->Hit().Empty()) << "drawing measures the row";
        // A collapsed tree draws no rows below its box.
        const CAPPSTATRootResource& closed = *doc->Trees()[1];
        for (int y = closed.Box().bottom + 2; y < closed.Box().bottom + 60 * zoom / 100; y += 3)
            EXPECT_EQ(image.pixelColor(closed.Box().left + 30 * zoom / 100, y), QColor(Qt::white)) << y;
    }
}

TEST(Bitmaps, EveryNumberHasItsSize) {
    panelaid::TestApp();
    for (int n : {157, 162, 163, 164}) EXPECT_EQ(AppstatBitmap(n).size(), QSize(48, 48)) << n;
    for (int n : {158, 159, 160, 161}) EXPECT_EQ(AppstatBitmap(n).size(), QSize(72, 48)) << n;
    EXPECT_TRUE(AppstatBitmap(165).isNull());
    EXPECT_NE(AppstatBitmap(157).toImage().pixelColor(24, 24), AppstatBitmap(163).toImage().pixelColor(24, 24));
}

}  // namespace
}  // namespace appstat
