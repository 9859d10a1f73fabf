#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace panelaid {

namespace {

BoxAnswer AskOnGuiThread(const BoxRequest& request) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(request.caption.empty() ? std::string("Holdervane") : request.caption));
    box.setText(QString::fromStdString(request.text));
    box.setIcon(request.icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    if (request.buttons == BoxButtons::AbortRetryIgnore)
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    else
        box.setStandardButtons(QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Abort: return BoxAnswer::Abort;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Ignore: return BoxAnswer::Ignore;
    default: return BoxAnswer::Ok;
    }
}

}  // namespace

BoxAnswer QtMessageBoxes::Ask(const BoxRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return request.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Abort;
    if (QThread::currentThread() == app->thread()) return AskOnGuiThread(request);
    BoxAnswer answer = BoxAnswer::Abort;
    QMetaObject::invokeMethod(app, [&] { answer = AskOnGuiThread(request); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace panelaid
