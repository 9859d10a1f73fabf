// The checks of the consoles' end-to-end programs: each prints "ok: " or
// "FAILED: " with its text and the failures are counted; waits run the event
// loop until a condition holds or a deadline passes.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <string>

namespace e2e {

inline int& Failures() {
    static int failures = 0;
    return failures;
}

inline void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) ++Failures();
}

inline bool WaitFor(const std::function<bool()>& done, int deadlineMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > deadlineMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Prints the count of failures; the program's exit status.
inline int Finish() {
    std::printf("%d failed\n", Failures());
    return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
