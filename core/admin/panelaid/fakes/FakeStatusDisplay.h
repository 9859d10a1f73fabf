// A status bar that remembers every text it was given.
#pragma once

#include "StatusDisplay.h"

#include <mutex>
#include <vector>

namespace panelaid {

class FakeStatusDisplay : public StatusDisplay {
public:
    void ShowText(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.push_back(text);
    }
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    std::string Last() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_.empty() ? std::string() : texts_.back();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace panelaid
