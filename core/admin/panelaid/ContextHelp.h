// Context help (Shift+F1, then a click): the console's widgets answer the
// query and the request with a help id, and the main window answers for its
// own parts (toolbar buttons, the bars, the rest of the window).
#pragma once

#include <QEvent>
#include <QHelpEvent>
#include <QWhatsThis>

#include <functional>

class QAction;
class QMainWindow;
class QMenu;

namespace panelaid {

// Help ids: 0x10000 + a command; 0x50000 + a control, as the toolbar
// (0xE800) and the status bar (0xE801) are.
inline constexpr int kCommandHelpBase = 0x10000;
inline constexpr int kControlHelpBase = 0x50000;
inline constexpr int kToolBarHelpId = kControlHelpBase + 0xE800;
inline constexpr int kStatusBarHelpId = kControlHelpBase + 0xE801;

// The next click on a window part asks that part for its help.
inline void EnterContextHelp() { QWhatsThis::enterWhatsThisMode(); }

// True when the event was a context-help query or request; a request calls
// answer with the point it was made at, and the click ends the help mode.
template <typename Answer>
bool AnswerContextHelp(QEvent* event, Answer&& answer) {
    if (event->type() == QEvent::QueryWhatsThis) return true;
    if (event->type() != QEvent::WhatsThis) return false;
    if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
    answer(static_cast<QHelpEvent*>(event)->pos());
    return true;
}

// The help id of the part of window at `at` (window coordinates): a toolbar
// button's command (commandOf gives its id, 0 for none), the toolbar's or the
// status bar's own, else windowHelpId.
int WindowPartHelpId(const QMainWindow& window, QPoint at, const std::function<int(const QAction*)>& commandOf,
                     int windowHelpId);

// A context-help click on a title of the window's menu bar opens that menu
// and the help mode stays on, so that the next click picks a command. True
// when a menu opened.
bool OpenMenuForHelp(QMainWindow& window, QPoint at);

// Lets menu answer a context-help click on one of its commands (commandOf
// gives its id, 0 for none) by showing 0x10000 + that id.
void AnswerMenuHelp(QMenu* menu, std::function<int(const QAction*)> commandOf, std::function<void(int helpId)> show);

}  // namespace panelaid
