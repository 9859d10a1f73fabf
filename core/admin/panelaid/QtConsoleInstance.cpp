#include "QtConsoleInstance.h"

namespace panelaid {

ConsoleInstance::Claim QtConsoleInstance::Claim(const std::string& program) {
    const ConsoleInstance::Claim claim = instance_.ClaimOrRaise(program, ConsoleInstance::CurrentDisplay());
    if (claim != ConsoleInstance::Claim::Owner) return claim;
    notifiers_.Follow({instance_.ListenFd()});
    // Silent peers are dropped after their time even if nothing else happens.
    silenceTimer_.setInterval(ConsoleInstance::kPeerSilenceMs);
    connect(&silenceTimer_, &QTimer::timeout, this, [this] { ServeNow(); });
    return claim;
}

void QtConsoleInstance::RaiseWindow(QWidget* window) {
    if (window == nullptr) return;
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void QtConsoleInstance::ServeNow() {
    const int raises = instance_.Serve();
    raises_ += raises;
    if (raises > 0) RaiseWindow(window_.data());
    std::vector<int> fds = instance_.PeerFds();
    const bool peers = !fds.empty();
    fds.push_back(instance_.ListenFd());
    notifiers_.Follow(fds);
    if (!peers)
        silenceTimer_.stop();
    else if (!silenceTimer_.isActive())
        silenceTimer_.start();
}

}  // namespace panelaid
