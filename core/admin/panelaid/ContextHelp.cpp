#include "ContextHelp.h"

#include <QAction>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace panelaid {

namespace {

// A menu handles the help mode's clicks itself (it shows the command's
// "What's This" text instead of running it): in that mode this takes the
// pick of a command, by click or Enter, and shows the command's help.
class MenuHelpFilter : public QObject {
public:
    MenuHelpFilter(QMenu* menu, std::function<int(const QAction*)> commandOf, std::function<void(int)> show)
        : QObject(menu), menu_(menu), commandOf_(std::move(commandOf)), show_(std::move(show)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != menu_ || !QWhatsThis::inWhatsThisMode()) return false;
        const QAction* picked = nullptr;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            picked = menu_->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) picked = menu_->activeAction();
            break;
        }
        default: return false;
        }
        const int id = picked != nullptr ? commandOf_(picked) : 0;
        if (id == 0) return false;
        // The press only marks the command; the release or Enter picks it.
        if (event->type() == QEvent::MouseButtonPress) return true;
        QWhatsThis::leaveWhatsThisMode();
        menu_->close();
        show_(kCommandHelpBase + id);
        return true;
    }

private:
    QMenu* menu_;
    std::function<int(const QAction*)> commandOf_;
    std::function<void(int)> show_;
};

}  // namespace

bool OpenMenuForHelp(QMainWindow& window, QPoint at) {
    auto* bar = qobject_cast<QMenuBar*>(window.menuWidget());
    QWidget* hit = window.childAt(at);
    if (bar == nullptr || hit == nullptr || (hit != bar && !bar->isAncestorOf(hit))) return false;
    QAction* title = bar->actionAt(bar->mapFrom(&window, at));
    if (title == nullptr || title->menu() == nullptr) return false;
    title->menu()->popup(bar->mapToGlobal(bar->actionGeometry(title).bottomLeft()));
    return true;
}

void AnswerMenuHelp(QMenu* menu, std::function<int(const QAction*)> commandOf, std::function<void(int)> show) {
    menu->installEventFilter(new MenuHelpFilter(menu, std::move(commandOf), std::move(show)));
}

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
