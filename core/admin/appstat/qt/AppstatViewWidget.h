// The application status view's window: draws the document's trees in
// logical pixels shifted by the scroll position, and forwards clicks, keys
// (on release, auto-repeat ignored) and focus changes to CAPPSTATView.
#pragma once

#include "CAPPSTATView.h"

#include <QAbstractScrollArea>

class QPainter;

namespace appstat {

class AppstatViewWidget : public QAbstractScrollArea, public ViewSurface {
    Q_OBJECT
public:
    explicit AppstatViewWidget(CAPPSTATDoc& doc, QWidget* parent = nullptr);

    CAPPSTATView& Logic() { return logic_; }
    // Paints the trees with the painter already at the document's origin.
    static void DrawTrees(QPainter& painter, CAPPSTATDoc& doc, bool viewHasFocus);
    QPoint ScrollPosition() const;

    void RepaintRect(const Rect& logical) override;
    void RepaintAll() override;
    void SetScrollSizes(int width, int height) override;
    Rect Visible() const override;
    void ScrollTo(int x, int y) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static ViewKey KeyOf(const QKeyEvent& event);
    void UpdateScrollBars();

    CAPPSTATDoc& doc_;
    CAPPSTATView logic_;
    int scrollWidth_ = 0;
    int scrollHeight_ = 0;
};

}  // namespace appstat
