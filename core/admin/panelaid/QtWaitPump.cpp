#include "QtWaitPump.h"

#include "FdNotifiers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

namespace panelaid {

namespace {

class InputDropper : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
            return true;
        case QEvent::Close:
            return event->spontaneous();
        default:
            return false;
        }
    }
};

}  // namespace

void QtWaitPump::WaitUntilDone(WaitSubject& subject) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        BlockingWaitPump().WaitUntilDone(subject);
        return;
    }
    if (subject.Done()) return;
    InputDropper dropper;
    app->installEventFilter(&dropper);
    QEventLoop loop;
    FdNotifiers notifiers([&](int fd) {
        subject.OnReadable(fd);
        if (subject.Done()) {
            notifiers.DisableAll();
            loop.quit();
        } else {
            notifiers.Follow(subject.WatchedFds());
        }
    });
    notifiers.Follow(subject.WatchedFds());
    if (!subject.Done()) loop.exec();
    app->removeEventFilter(&dropper);
}

}  // namespace panelaid
