// ConsoleInstance served from the Qt event loop: a raise request brings the
// window forward.
#pragma once

#include "ConsoleInstance.h"
#include "FdNotifiers.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>


namespace panelaid {

class QtConsoleInstance : public QObject {
public:
    // Claims the name; Owner or OtherRaised (then the caller ends with 0).
    ConsoleInstance::Claim Claim(const std::string& program);
    // The window a raise request brings forward.
    void SetWindow(QWidget* window) { window_ = window; }
    int RaisesServed() const { return raises_; }

    static void RaiseWindow(QWidget* window);

private:
    void ServeNow();

    ConsoleInstance instance_;
    QPointer<QWidget> window_;
    // The listening descriptor and every peer's.
    FdNotifiers notifiers_{[this](int) { ServeNow(); }};
    QTimer silenceTimer_;
    int raises_ = 0;
};

}  // namespace panelaid
