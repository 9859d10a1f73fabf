// What pause, continue and stop mean to a worker thread: before each client
// and each monitoring pass the worker passes the gate, which holds it while
// the service is paused and tells it when the service stops. (NT suspended
// the threads wherever they were; a gate never stops one half-way through a
// client.)
#pragma once

#include <condition_variable>
#include <mutex>

namespace hvsvc {

class PauseGate {
public:
    void Pause();
    void Resume();
    // Ends every wait for good; Pass returns false from now on.
    void Stop();

    // Waits while paused. True to go on, false when the service stops.
    bool Pass();
    bool Stopping() const;
    bool Paused() const;

    // Readable once Stop() ran: servers poll it beside their pipe, so a stop
    // never waits for a client that does not come.
    int WakeFd() const { return wake_; }

    PauseGate();
    ~PauseGate();
    PauseGate(const PauseGate&) = delete;
    PauseGate& operator=(const PauseGate&) = delete;

private:
    int wake_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool paused_ = false;
    bool stopping_ = false;
};

}  // namespace hvsvc
