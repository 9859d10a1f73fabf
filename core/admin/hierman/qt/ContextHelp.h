// Context help (Shift+F1, then a click) on the console's own widgets: the
// query is accepted, and the request hands the clicked point to the widget.
#pragma once

#include <QEvent>
#include <QHelpEvent>

namespace hierman {

// True when the event was a context-help query or request; a request calls
// answer with the point it was made at.
template <typename Answer>
bool AnswerContextHelp(QEvent* event, Answer&& answer) {
    if (event->type() == QEvent::QueryWhatsThis) return true;
    if (event->type() != QEvent::WhatsThis) return false;
    answer(static_cast<QHelpEvent*>(event)->pos());
    return true;
}

}  // namespace hierman
