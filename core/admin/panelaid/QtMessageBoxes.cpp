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
    box.setIcon(request.icon == BoxIcon::Error     ? QMessageBox::Critical
                : request.icon == BoxIcon::Warning ? QMessageBox::Warning
                                                   : QMessageBox::NoIcon);
    if (request.buttons == BoxButtons::AbortRetryIgnore)
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    else if (request.buttons == BoxButtons::YesNo)
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    else if (request.buttons == BoxButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
    } else
        box.setStandardButtons(QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Abort: return BoxAnswer::Abort;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Ignore: return BoxAnswer::Ignore;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    default: return BoxAnswer::Ok;
    }
}

}  // namespace

BoxAnswer QtMessageBoxes::Ask(const BoxRequest& request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return NoAnswer(request);
    if (QThread::currentThread() == app->thread()) return AskOnGuiThread(request);
    BoxAnswer answer = NoAnswer(request);
    QMetaObject::invokeMethod(app, [&] { answer = AskOnGuiThread(request); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace panelaid
