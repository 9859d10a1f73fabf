// A left click (press and release) delivered as the application delivers
// one, so application-wide filters such as the context-help mode see it.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace panelaid {

inline void Click(QWidget* widget, QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

}  // namespace panelaid
