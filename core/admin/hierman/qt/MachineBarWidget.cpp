#include "MachineBarWidget.h"

#include "ContextHelp.h"
#include "IconPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace hierman {

MachineBarWidget::MachineBarWidget(CMachineBar& bar, QWidget* parent) : QWidget(parent), bar_(bar) {
    setFocusPolicy(Qt::StrongFocus);
}

void MachineBarWidget::Relayout(int parentWidth, int parentHeight) {
    const CMachineBar::Size size = bar_.Layout(parentWidth, parentHeight);
    setFixedHeight(size.height);
    update();
}

CellPos MachineBarWidget::CellAt(const QPoint& point) const {
    const int size = bar_.IconSize();
    // A button is its group of columns: the icon and the name beside it.
    const int column = point.x() / size / kBarGroupWidth * kBarGroupWidth;
    return {column, point.y() / size};
}

bool MachineBarWidget::event(QEvent* event) {
    if (AnswerContextHelp(event, [this](QPoint at) { emit helpRequested(bar_.HelpHitTest(CellAt(at))); })) return true;
    return QWidget::event(event);
}

void MachineBarWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(192, 192, 192));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    const int size = bar_.IconSize();
    const CMatrix& m = bar_.Buttons();
    for (int r = 0; r < m.Rows(); ++r)
        for (int c = 0; c < m.Columns(); ++c) {
            CMatrixCell* cell = m.Get(c, r);
            if (!cell) continue;
            painter.drawPixmap(c * size, r * size, IconPixmap(bar_.ButtonIcon(cell), size));
            painter.drawText(c * size + size, r * size + size / 2, QString::fromStdString(cell->text));
            if (bar_.FocusMarked() && bar_.Focus() == CellPos{c, r})
                painter.drawPixmap(c * size, r * size, IconPixmap(kBarFocusIcon, size));
        }
}

void MachineBarWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) bar_.ButtonDown(CellAt(event->position().toPoint()));
}

void MachineBarWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) bar_.DoubleClick();
}

void MachineBarWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Tab: bar_.KeyDown(CMachineBar::Key::Tab); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: bar_.KeyDown(CMachineBar::Key::Enter); return;
    case Qt::Key_Space: bar_.KeyDown(CMachineBar::Key::Space); return;
    case Qt::Key_Left: bar_.KeyDown(CMachineBar::Key::Left); return;
    case Qt::Key_Up: bar_.KeyDown(CMachineBar::Key::Up); return;
    case Qt::Key_Right: bar_.KeyDown(CMachineBar::Key::Right); return;
    case Qt::Key_Down: bar_.KeyDown(CMachineBar::Key::Down); return;
    default: QWidget::keyPressEvent(event);
    }
}

void MachineBarWidget::focusInEvent(QFocusEvent*) { bar_.SetFocusMark(true); }
void MachineBarWidget::focusOutEvent(QFocusEvent*) { bar_.SetFocusMark(false); }

}  // namespace hierman
