#include "QtStatusDisplay.h"

#include <QThread>

namespace panelaid {

void QtStatusDisplay::ShowText(const std::string& text) {
    QStatusBar* bar = bar_.data();
    if (bar == nullptr) return;
    const QString t = QString::fromStdString(text);
    if (QThread::currentThread() == bar->thread()) {
        // The text shown already: setting it again would only repaint the bar
        // (the refresh hands over its idle text every time).
        if (bar->currentMessage() == t) return;
        bar->showMessage(t);
        bar->repaint();  // the loop may not run before the long work that follows
        return;
    }
    QPointer<QStatusBar> guarded(bar);
    QMetaObject::invokeMethod(bar, [guarded, t] {
        if (guarded && guarded->currentMessage() != t) guarded->showMessage(t);
    }, Qt::QueuedConnection);
}

}  // namespace panelaid
