// How a caller waits for a child it started: a plain thread polls; the GUI
// thread (QtWaitPump) keeps painting and firing timers meanwhile, and drops
// the user's input.
#pragma once

#include <vector>

namespace panelaid {

// What is waited for: descriptors to watch for reading, and a test of the end.
class WaitSubject {
public:
    virtual ~WaitSubject() = default;
    // The descriptors whose readability matters now (may shrink over time).
    virtual std::vector<int> WatchedFds() const = 0;
    // Called when fd is readable (or hung up).
    virtual void OnReadable(int fd) = 0;
    virtual bool Done() const = 0;
};

class WaitPump {
public:
    virtual ~WaitPump() = default;
    // Returns once subject.Done().
    virtual void WaitUntilDone(WaitSubject& subject) = 0;
};

// poll(2) on the calling thread.
class BlockingWaitPump : public WaitPump {
public:
    void WaitUntilDone(WaitSubject& subject) override;
};

}  // namespace panelaid
