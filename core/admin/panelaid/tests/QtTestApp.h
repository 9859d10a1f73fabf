// One offscreen QApplication for the Qt tests of a suite, made on first use
// on the main thread and kept for the process's life.
#pragma once

#include <QApplication>

#include <cstdlib>

namespace panelaid {

inline QApplication* TestApp() {
    static QApplication* app = [] {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "panelaid_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return app;
}

}  // namespace panelaid
