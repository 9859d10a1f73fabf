// ConsoleInstance served from the Qt event loop: a raise request brings the
// window forward.
#pragma once

#include "ConsoleInstance.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

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
    void FollowPeers();

    ConsoleInstance instance_;
    QPointer<QWidget> window_;
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    std::map<int, std::unique_ptr<QSocketNotifier>> peerNotifiers_;
    QTimer silenceTimer_;
    int raises_ = 0;
};

}  // namespace panelaid
