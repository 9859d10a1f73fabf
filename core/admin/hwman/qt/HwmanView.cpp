#include "HwmanView.h"

#include "AttributesDialog.h"
#include "CommPathDialog.h"
#include "FigurePainter.h"
#include "ShutdownDialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace hwman {

HwmanView::HwmanView(const FigureServices& services, panelaid::WindowSettings& windows, PathResources& resources,
                     panelaid::Launcher& launcher, QWidget* parent)
    : QAbstractScrollArea(parent),
      services_(services),
      resources_(resources),
      launcher_(launcher),
      doc_(std::make_unique<CHWMANDoc>(services_, windows, *this)) {
    setFocusPolicy(Qt::StrongFocus);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(p);
    viewport()->setAutoFillBackground(true);
    doc_->OnNewDocument();
    ResetScrollSizes();
}

HwmanView::~HwmanView() = default;

double HwmanView::Dpi() const { return logicalDpiX(); }

QPoint HwmanView::Scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

QPoint HwmanView::ToDevice(int x, int y) const { return FigurePainter::ToDevice(x, y, Dpi(), Scroll()); }

void HwmanView::ResetScrollSizes() {
    const int w = static_cast<int>(std::lround(doc_->Width() * Dpi() / 100.0));
    const int h = static_cast<int>(std::lround(doc_->Height() * Dpi() / 100.0));
    horizontalScrollBar()->setRange(0, std::max(0, w - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, h - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setSingleStep(std::max(1, w / 100));
    verticalScrollBar()->setSingleStep(std::max(1, h / 100));
}

void HwmanView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    doc_->ClearExtentsChanged();
    FigurePainter(painter, Dpi(), Scroll(), hasFocus()).Draw(*doc_);
}

void HwmanView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ResetScrollSizes();
}

void HwmanView::UpdateAllViews(int hint) {
    if (hint == 1) services_.Beep();
    if (doc_->ExtentsChanged()) ResetScrollSizes();
    viewport()->update();
}

void HwmanView::BeginWait() { QApplication::setOverrideCursor(Qt::WaitCursor); }
void HwmanView::EndWait() { QApplication::restoreOverrideCursor(); }

void HwmanView::SetTitle(const std::string& title) {
    if (onTitle_) onTitle_(title);
}

void HwmanView::Abort(int code) {
    QMetaObject::invokeMethod(qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

bool HwmanView::AskShutdownStrategy(int initial, int* choice) {
    ShutdownDialog dialog(initial, this, help_);
    if (dialog.exec() != QDialog::Accepted) return false;
    *choice = dialog.Choice();
    return true;
}

bool HwmanView::CreateEnabled() const { return doc_->Local() != nullptr && !services_.db.Initializing(); }
bool HwmanView::DeleteEnabled() const { return doc_->SelectedPath() != nullptr && !services_.db.Initializing(); }
bool HwmanView::AttributesEnabled() const { return doc_->SelectedPath() != nullptr; }

void HwmanView::CreateCommPath() {
    if (!CreateEnabled()) return;
    CommPathForm form(*doc_->Local(), resources_, services_);
    CommPathDialog dialog(form, this, help_);
    if (dialog.exec() == QDialog::Accepted) {
        bool created = false;
        LRect repaint;
        doc_->CreatePath(form.Destination(), form.Result(), &created, &repaint);
    } else {
        doc_->Layout();
    }
    ResetScrollSizes();
    viewport()->update();
}

void HwmanView::DeleteCommPath() {
    if (!DeleteEnabled()) return;
    LRect repaint;
    doc_->DeleteSelectedPath(&repaint);
    ResetScrollSizes();
    viewport()->update();
}

void HwmanView::PathAttributes() {
    CHWMANNetwork* path = doc_->SelectedPath();
    if (path == nullptr) return;
    AttributesDialog dialog(*path, doc_->Local()->Name(), this, help_);
    dialog.exec();
}

void HwmanView::ViewLog() {
    if (launcher_.StartDetached({services_.db.RootDir() + "/bin/eventvwr"}) != 0)
        services_.Say("Error Starting EventViewer.");
}

void HwmanView::Key(int key) {
    if (doc_->ZoomKey(key) == 1) {
        if (key == kKeySubtract) verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        doc_->Layout();
        ResetScrollSizes();
    }
    viewport()->update();
}

void HwmanView::ClickAt(const QPoint& d) {
    CHWMANSystem* local = doc_->Local();
    if (local == nullptr) return;
    const QPoint s = Scroll();
    const int x = static_cast<int>(std::lround((d.x() + s.x()) * 100.0 / Dpi()));
    const int y = -static_cast<int>(std::lround((d.y() + s.y()) * 100.0 / Dpi()));
    local->ClickSelect(x, y, services_);
    viewport()->update();
}

void HwmanView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ClickAt(event->position().toPoint());
}

void HwmanView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Plus: Key(kKeyAdd); return;
    case Qt::Key_Minus: Key(kKeySubtract); return;
    case Qt::Key_Space: Key(kKeySpace); return;
    case Qt::Key_Up: Key(kKeyUp); return;
    case Qt::Key_Down: Key(kKeyDown); return;
    default: QAbstractScrollArea::keyPressEvent(event);
    }
}

void HwmanView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void HwmanView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

}  // namespace hwman
