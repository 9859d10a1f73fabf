#include "FdNotifiers.h"

#include <algorithm>

namespace panelaid {

void FdNotifiers::Follow(const std::vector<int>& fds) {
    // Those retired at the last change are disabled: none of them is running.
    retired_.clear();
    for (auto it = active_.begin(); it != active_.end();) {
        if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) {
            it->second->setEnabled(false);
            retired_.push_back(std::move(it->second));
            it = active_.erase(it);
        } else {
            ++it;
        }
    }
    for (int fd : fds) {
        if (active_.count(fd) != 0) continue;
        auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(n.get(), &QSocketNotifier::activated, [this, fd] { onReadable_(fd); });
        active_.emplace(fd, std::move(n));
    }
}

void FdNotifiers::DisableAll() {
    for (auto& [fd, n] : active_) n->setEnabled(false);
}

}  // namespace panelaid
