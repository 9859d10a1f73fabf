#include "QtWaitPump.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <functional>

#include <map>
#include <memory>

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
    std::map<int, std::unique_ptr<QSocketNotifier>> notifiers;
    // Follows the subject's descriptors; a notifier that goes is only
    // disabled here, since it may be the one whose signal is running.
    std::vector<std::unique_ptr<QSocketNotifier>> retired;
    std::function<void()> refresh = [&] {
        const std::vector<int> fds = subject.WatchedFds();
        for (auto it = notifiers.begin(); it != notifiers.end();) {
            if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) {
                it->second->setEnabled(false);
                retired.push_back(std::move(it->second));
                it = notifiers.erase(it);
            } else {
                ++it;
            }
        }
        for (int fd : fds) {
            if (notifiers.count(fd) != 0) continue;
            auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(n.get(), &QSocketNotifier::activated, &loop, [&, fd] {
                subject.OnReadable(fd);
                if (subject.Done()) {
                    for (auto& [f, other] : notifiers) other->setEnabled(false);
                    loop.quit();
                } else {
                    refresh();
                }
            });
            notifiers.emplace(fd, std::move(n));
        }
    };
    refresh();
    if (!subject.Done()) loop.exec();
    app->removeEventFilter(&dropper);
}

}  // namespace panelaid
