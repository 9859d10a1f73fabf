// The hierarchy view's window: draws the logic's matrix cell by cell, scrolls
// by whole cells and forwards mouse and keys to CHiermanView.
#pragma once

#include "CHiermanView.h"

#include <QAbstractScrollArea>

#include <string>

namespace hierman {

class HiermanViewWidget : public QAbstractScrollArea, public ViewSurface {
    Q_OBJECT
public:
    HiermanViewWidget(ViewServices services, std::string title, QWidget* parent = nullptr);

    CHiermanView& Logic() { return logic_; }
    void SetDocumentTitle(const std::string& title) {
        title_ = title;
        logic_.DocumentRetitled();
    }
    // The cell under a point of the viewport.
    CellPos CellAt(const QPoint& point) const;
    QRect CellRect(int column, int row) const;

    const std::string& DocumentTitle() const override { return title_; }
    void RepaintCell(int column, int row) override;
    void RepaintAll() override;
    void CloseDocument() override;
    bool HasKeyboardFocus() const override { return hasFocus(); }
    void ScrollIntoView(int column, int row) override;
    void IconSizeChanged(int pixels) override;

signals:
    void closeRequested();
    // Context help on a point of the view: the help id of the cell there.
    void helpRequested(int helpId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void UpdateScrollBars();

    std::string title_;
    CHiermanView logic_;
    CellPos dragStart_;
    bool dragging_ = false;
    bool moved_ = false;
};

}  // namespace hierman
