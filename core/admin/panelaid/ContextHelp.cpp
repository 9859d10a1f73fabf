#include "ContextHelp.h"

#include <QAction>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace panelaid {

int WindowPartHelpId(const QMainWindow& window, QPoint at, const std::function<int(const QAction*)>& commandOf,
                     int windowHelpId) {
    for (QWidget* hit = window.childAt(at); hit != nullptr && hit != &window; hit = hit->parentWidget()) {
        if (auto* button = qobject_cast<QToolButton*>(hit)) {
            const int id = button->defaultAction() ? commandOf(button->defaultAction()) : 0;
            if (id != 0) return kCommandHelpBase + id;
        }
        if (qobject_cast<QToolBar*>(hit)) return kToolBarHelpId;
        if (qobject_cast<QStatusBar*>(hit)) return kStatusBarHelpId;
    }
    return windowHelpId;
}

}  // namespace panelaid
