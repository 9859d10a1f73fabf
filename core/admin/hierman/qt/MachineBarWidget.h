// The machine bar's window: draws the buttons and forwards clicks and keys.
#pragma once

#include "CMachineBar.h"

#include <QWidget>

namespace hierman {

class MachineBarWidget : public QWidget {
    Q_OBJECT
public:
    MachineBarWidget(CMachineBar& bar, QWidget* parent);
    // Lays the buttons out for the parent's width and takes the bar's height.
    void Relayout(int parentWidth, int parentHeight);

signals:
    // Context help on a point of the bar: the help id of what is there.
    void helpRequested(int helpId);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CellPos CellAt(const QPoint& point) const;

    CMachineBar& bar_;
};

}  // namespace hierman
