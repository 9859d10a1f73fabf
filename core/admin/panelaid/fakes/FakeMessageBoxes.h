// MessageBoxes that record each box and answer from a queue (Ok, or Abort
// for an Abort/Retry/Ignore box, when the queue is empty).
#pragma once

#include "MessageBoxes.h"

#include <deque>
#include <mutex>
#include <vector>

namespace panelaid {

class FakeMessageBoxes : public MessageBoxes {
public:
    BoxAnswer Ask(const BoxRequest& request) override {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(request);
        if (answers_.empty()) return request.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Abort;
        const BoxAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void Answer(BoxAnswer a) {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_.push_back(a);
    }
    std::vector<BoxRequest> Shown() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }

private:
    mutable std::mutex mutex_;
    std::deque<BoxAnswer> answers_;
    std::vector<BoxRequest> shown_;
};

}  // namespace panelaid
