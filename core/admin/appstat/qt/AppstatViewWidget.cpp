#include "AppstatViewWidget.h"

#include "AppstatBitmaps.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace appstat {

namespace {

QRect ToQt(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QFont ArialFont(const QFont& base, int pixels) {
    QFont font(base);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setWeight(QFont::Normal);
    font.setPixelSize(std::max(1, pixels));
    return font;
}

void DrawEntry(QPainter& painter, CAPPSTATSystem& entry, int zoom) {
    const int size = kSystemBitmapSize * zoom / 100;
    painter.drawPixmap(QRect(entry.Left(), entry.Top(), size, size), AppstatBitmap(entry.Bitmap()));
    painter.setFont(ArialFont(painter.font(), CAPPSTATSystem::NameFontHeight(zoom)));
    const QFontMetrics metrics(painter.font());
    const int textTop = entry.Top() + CAPPSTATSystem::NameOffset(zoom);
    painter.drawText(QPoint(entry.Left(), textTop + metrics.ascent()), QString::fromStdString(entry.Name()));
    entry.PlaceHit(zoom, metrics.horizontalAdvance(QString::fromStdString(entry.HitWord())), metrics.height());
}

void DrawTree(QPainter& painter, CAPPSTATRootResource& tree, int zoom, bool viewHasFocus) {
    tree.SetRepaint(false);
    const QFont previous = painter.font();
    const Rect box = tree.Box();
    painter.setFont(ArialFont(previous, CAPPSTATRootResource::LabelFontHeight(zoom)));
    const int textHeight = QFontMetrics(painter.font()).height();
    painter.setPen(Qt::black);
    painter.drawText(QRect(box.left, box.top - textHeight - 2, box.Width(), textHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     QString::fromStdString(tree.Tag()));
    painter.setFont(previous);
    const QRect hit = ToQt(tree.Hit());
    if (tree.FocusMark() && viewHasFocus) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(hit.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
    }
    if (tree.Selected()) painter.fillRect(hit.adjusted(1, 1, -1, -1), QColor(0xC0, 0xC0, 0xC0));
    painter.drawPixmap(QRect(box.left, box.top, kTreeBitmapWidth * zoom / 100, kTreeBitmapHeight * zoom / 100),
                       AppstatBitmap(tree.Bitmap()));
    if (!tree.Expanded()) return;
    for (const auto& entry : tree.Entries()) {
        DrawEntry(painter, *entry, zoom);
        painter.setFont(previous);
        const int x = tree.ConnectorX();
        const int y = CAPPSTATRootResource::ConnectorY(*entry, zoom);
        painter.drawLine(x, box.bottom, x, y);
        painter.drawLine(x, y, entry->Left(), y);
    }
}

}  // namespace

AppstatViewWidget::AppstatViewWidget(CAPPSTATDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), logic_(doc, *this) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(palette);
    logic_.OnInitialUpdate();
}

void AppstatViewWidget::DrawTrees(QPainter& painter, CAPPSTATDoc& doc, bool viewHasFocus) {
    for (const auto& tree : doc.Trees()) DrawTree(painter, *tree, doc.Zoom(), viewHasFocus);
}

QPoint AppstatViewWidget::ScrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void AppstatViewWidget::RepaintRect(const Rect& logical) {
    const QPoint at = ScrollPosition();
    viewport()->update(ToQt(logical.Moved(-at.x(), -at.y())));
}

void AppstatViewWidget::RepaintAll() { viewport()->update(); }

void AppstatViewWidget::SetScrollSizes(int width, int height) {
    scrollWidth_ = width;
    scrollHeight_ = height;
    UpdateScrollBars();
}

void AppstatViewWidget::UpdateScrollBars() {
    const QSize page = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, scrollWidth_ - page.width()));
    v->setRange(0, std::max(0, scrollHeight_ - page.height()));
    h->setPageStep(page.width());
    v->setPageStep(page.height());
    // A line is a tenth of a page, as the scroll views of the other consoles.
    h->setSingleStep(std::max(1, page.width() / 10));
    v->setSingleStep(std::max(1, page.height() / 10));
}

Rect AppstatViewWidget::Visible() const {
    const QPoint at = ScrollPosition();
    const QSize page = viewport()->size();
    return Rect{at.x(), at.y(), at.x() + page.width(), at.y() + page.height()};
}

void AppstatViewWidget::ScrollTo(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void AppstatViewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPoint at = ScrollPosition();
    painter.translate(-at.x(), -at.y());
    DrawTrees(painter, doc_, hasFocus());
}

void AppstatViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void AppstatViewWidget::scrollContentsBy(int, int) { viewport()->update(); }

void AppstatViewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint() + ScrollPosition();
    logic_.OnClick(at.x(), at.y());
}

void AppstatViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint() + ScrollPosition();
    logic_.OnDoubleClick(at.x(), at.y());
}

ViewKey AppstatViewWidget::KeyOf(const QKeyEvent& event) {
    const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return ViewKey::Enter;
    // The focus texts tell the user to press TAB to select: Tab does what
    // Space does, and stays in the view.
    case Qt::Key_Space:
    case Qt::Key_Tab: return ViewKey::Space;
    case Qt::Key_Left: return ViewKey::Left;
    case Qt::Key_Right: return ViewKey::Right;
    case Qt::Key_Up: return ViewKey::Up;
    case Qt::Key_Down: return ViewKey::Down;
    case Qt::Key_Plus: return keypad ? ViewKey::ZoomIn : ViewKey::Other;
    case Qt::Key_Minus: return keypad ? ViewKey::ZoomOut : ViewKey::Other;
    default: return ViewKey::Other;
    }
}

// The keys act on release; their presses must not scroll the area.
void AppstatViewWidget::keyPressEvent(QKeyEvent* event) {
    if (KeyOf(*event) == ViewKey::Other) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void AppstatViewWidget::keyReleaseEvent(QKeyEvent* event) {
    const ViewKey key = KeyOf(*event);
    if (key == ViewKey::Other) {
        QAbstractScrollArea::keyReleaseEvent(event);
        return;
    }
    event->accept();
    // A held key repeats press and release; only the real release counts.
    if (event->isAutoRepeat()) return;
    logic_.OnKeyUp(key);
}

bool AppstatViewWidget::focusNextPrevChild(bool next) {
    // Tab selects in the view (see KeyOf); Shift+Tab still leaves it.
    if (next) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void AppstatViewWidget::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    logic_.OnFocusChange();
}

void AppstatViewWidget::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    logic_.OnFocusChange();
}

}  // namespace appstat
