// Qt socket notifiers that follow a changing set of descriptors: a new
// descriptor gets a notifier, one that is gone has its notifier disabled and
// freed at the next change (it may be the one whose signal runs now).
#pragma once

#include <QSocketNotifier>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace panelaid {

class FdNotifiers {
public:
    explicit FdNotifiers(std::function<void(int)> onReadable) : onReadable_(std::move(onReadable)) {}

    void Follow(const std::vector<int>& fds);
    void DisableAll();

private:
    std::function<void(int)> onReadable_;
    std::map<int, std::unique_ptr<QSocketNotifier>> active_;
    std::vector<std::unique_ptr<QSocketNotifier>> retired_;
};

}  // namespace panelaid
