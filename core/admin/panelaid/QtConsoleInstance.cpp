#include "QtConsoleInstance.h"

#include <algorithm>

namespace panelaid {

ConsoleInstance::Claim QtConsoleInstance::Claim(const std::string& program) {
    const ConsoleInstance::Claim claim = instance_.ClaimOrRaise(program, ConsoleInstance::CurrentDisplay());
    if (claim != ConsoleInstance::Claim::Owner) return claim;
    listenNotifier_ = std::make_unique<QSocketNotifier>(instance_.ListenFd(), QSocketNotifier::Read);
    connect(listenNotifier_.get(), &QSocketNotifier::activated, this, [this] { ServeNow(); });
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
    FollowPeers();
}

void QtConsoleInstance::FollowPeers() {
    const std::vector<int> fds = instance_.PeerFds();
    for (auto it = peerNotifiers_.begin(); it != peerNotifiers_.end();) {
        if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) {
            it->second->setEnabled(false);
            it->second.release()->deleteLater();
            it = peerNotifiers_.erase(it);
        } else {
            ++it;
        }
    }
    for (int fd : fds) {
        if (peerNotifiers_.count(fd) != 0) continue;
        auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(n.get(), &QSocketNotifier::activated, this, [this] { ServeNow(); });
        peerNotifiers_.emplace(fd, std::move(n));
    }
    if (fds.empty())
        silenceTimer_.stop();
    else if (!silenceTimer_.isActive())
        silenceTimer_.start();
}

}  // namespace panelaid
