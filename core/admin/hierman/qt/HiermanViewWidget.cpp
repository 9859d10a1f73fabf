#include "HiermanViewWidget.h"

#include "ContextHelp.h"
#include "IconPainter.h"
#include "ViewFontChooser.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace hierman {

HiermanViewWidget::HiermanViewWidget(ViewServices services, std::string title, QWidget* parent)
    : QAbstractScrollArea(parent), title_(std::move(title)), logic_(services, *this) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(palette);
    viewport()->setMouseTracking(false);
    UpdateScrollBars();
}

CellPos HiermanViewWidget::CellAt(const QPoint& point) const {
    const int size = logic_.IconSize();
    const int x = point.x() < 0 ? -1 : point.x() / size;
    const int y = point.y() < 0 ? -1 : point.y() / size;
    return {x + horizontalScrollBar()->value(), y + verticalScrollBar()->value()};
}

QRect HiermanViewWidget::CellRect(int column, int row) const {
    const int size = logic_.IconSize();
    return QRect((column - horizontalScrollBar()->value()) * size, (row - verticalScrollBar()->value()) * size, size,
                 size);
}

void HiermanViewWidget::RepaintCell(int column, int row) {
    // Tags are drawn across their group: the text's area goes too.
    const QRect cell = CellRect(column, row);
    viewport()->update(cell.x(), cell.y(), cell.width() * kViewGroupWidth, cell.height());
}

void HiermanViewWidget::RepaintAll() {
    UpdateScrollBars();
    viewport()->update();
}

void HiermanViewWidget::CloseDocument() { emit closeRequested(); }

void HiermanViewWidget::ScrollIntoView(int column, int row) {
    const int size = logic_.IconSize();
    const int visibleColumns = std::max(1, viewport()->width() / size);
    const int visibleRows = std::max(1, viewport()->height() / size);
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    while (column < h->value() && h->value() > h->minimum()) h->setValue(h->value() - 1);
    while (column >= h->value() + visibleColumns && h->value() < h->maximum()) h->setValue(h->value() + 1);
    while (row < v->value() && v->value() > v->minimum()) v->setValue(v->value() - 1);
    while (row >= v->value() + visibleRows && v->value() < v->maximum()) v->setValue(v->value() + 1);
}

void HiermanViewWidget::IconSizeChanged(int) { UpdateScrollBars(); }

void HiermanViewWidget::UpdateScrollBars() {
    horizontalScrollBar()->setRange(0, kGridColumns - 1);
    verticalScrollBar()->setRange(0, kGridRows - 1);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
}

void HiermanViewWidget::scrollContentsBy(int, int) { viewport()->update(); }

bool HiermanViewWidget::viewportEvent(QEvent* event) {
    if (AnswerContextHelp(event, [this](QPoint at) { emit helpRequested(logic_.HelpHitTest(CellAt(at))); })) return true;
    return QAbstractScrollArea::viewportEvent(event);
}

void HiermanViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void HiermanViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int size = logic_.IconSize();
    const CellPos first{horizontalScrollBar()->value(), verticalScrollBar()->value()};
    const int columns = viewport()->width() / size + 1;
    const int rows = viewport()->height() / size + 1;
    painter.setFont(QtFontOf(logic_.Font()));
    painter.setPen(QColor::fromRgb(logic_.TextColour()));
    for (int r = first.row; r < first.row + rows && r < kGridRows; ++r)
        for (int c = first.column; c < first.column + columns && c < kGridColumns; ++c) {
            CMatrixCell* cell = logic_.Get(c, r);
            if (!cell) continue;
            const QRect rect = CellRect(c, r);
            const QRect textArea(rect.x(), rect.y(), rect.width() * kViewGroupWidth, rect.height() * 3);
            if (!event->region().intersects(textArea)) continue;
            if (cell->selected) painter.drawPixmap(rect.topLeft(), IconPixmap(kIconSelectionMark, size));
            // The cached icon: the update at each tick keeps it in step with
            // the database, so a paint reads nothing from it.
            const int icon = cell->icon != 0 ? cell->icon : logic_.IconOf(cell);
            painter.drawPixmap(rect.topLeft(), IconPixmap(icon, size));
            if (cell->IsResource())
                painter.drawText(QRect(rect.right() + 1, rect.y(), rect.width() * (kViewGroupWidth - 1), rect.height()),
                                 Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(cell->text));
            if (cell->focusMark) painter.drawPixmap(rect.topLeft(), IconPixmap(kIconFocusMark, size));
        }
}

void HiermanViewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragStart_ = CellAt(event->position().toPoint());
    moved_ = false;
    dragging_ = logic_.ButtonDown(dragStart_);
}

void HiermanViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPoint point = event->position().toPoint();
    const CellPos over = CellAt(point);
    if (!moved_ && over == dragStart_) return;
    moved_ = true;
    const QRect area = viewport()->rect();
    const int quarter = 1 + (point.x() >= area.width() / 2 ? 1 : 0) + (point.y() >= area.height() / 2 ? 2 : 0);
    const int cursor = logic_.DragCursor(over, area.contains(point), quarter);
    viewport()->setCursor(DragCursor(cursor, logic_.IconSize()));
}

void HiermanViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    viewport()->unsetCursor();
    const QPoint point = event->position().toPoint();
    const CellPos release = CellAt(point);
    if (release != dragStart_) logic_.Drop(dragStart_, release, viewport()->rect().contains(point));
}

void HiermanViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) logic_.DoubleClick(CellAt(event->position().toPoint()));
}

void HiermanViewWidget::keyPressEvent(QKeyEvent* event) {
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    if (event->key() == Qt::Key_F && (event->modifiers() & Qt::ControlModifier)) {
        ChooseViewFont(logic_, this);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left: logic_.KeyArrow(NavKey::Left); return;
    case Qt::Key_Up: logic_.KeyArrow(NavKey::Up); return;
    case Qt::Key_Right: logic_.KeyArrow(NavKey::Right); return;
    case Qt::Key_Down: logic_.KeyArrow(NavKey::Down); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: logic_.DoubleClick(logic_.Focus()); return;
    case Qt::Key_Space: logic_.ButtonDown(logic_.Focus()); return;
    case Qt::Key_Plus:
        if (keypad) logic_.Zoom(+1);
        return;
    case Qt::Key_Minus:
        if (keypad) logic_.Zoom(-1);
        return;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].isLetter() && text[0].unicode() < 128) {
        logic_.Letter(static_cast<char>(text[0].unicode()));
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void HiermanViewWidget::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    logic_.SetFocusMark();
}

void HiermanViewWidget::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    logic_.ClearFocusMark();
}

}  // namespace hierman
