#include "PauseGate.h"

#include <cstdint>
#include <cstdlib>
#include <sys/eventfd.h>
#include <unistd.h>

namespace hvsvc {

PauseGate::PauseGate() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    // Without it a stop could not reach a waiting server: a broken invariant.
    if (wake_ < 0) std::abort();
}

PauseGate::~PauseGate() { ::close(wake_); }

void PauseGate::Pause() {
    std::lock_guard<std::mutex> hold(mutex_);
    paused_ = true;
}

void PauseGate::Resume() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        paused_ = false;
    }
    changed_.notify_all();
}

void PauseGate::Stop() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    changed_.notify_all();
}

bool PauseGate::Pass() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return !paused_ || stopping_; });
    return !stopping_;
}

bool PauseGate::Stopping() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return stopping_;
}

bool PauseGate::Paused() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return paused_;
}

}  // namespace hvsvc
