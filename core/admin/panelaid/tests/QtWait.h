// Lets the Qt event loop wait (so its idle moments come) until a condition
// holds or the deadline passes; a 10 ms timer wakes it to look again.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace panelaid {

inline bool WaitForEvents(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(10);
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace panelaid
