// A time limit on the wait for replies in a private mailbox. A receive of
// the post office waits without limit, so when the limit passes first a
// watcher thread removes the mailbox: the post office then answers the
// waiting receive with "no such mailbox". A cache load holds the database
// lock while it waits, and a daemon that is gone while its manager still
// runs would otherwise never answer.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class ReplyDeadline {
public:
    // Starts the watch on mailbox of this system; it ends after ms.
    ReplyDeadline(std::string mailbox, unsigned ms);
    // Ends the watch; waits for a removal already under way.
    ~ReplyDeadline();
    ReplyDeadline(const ReplyDeadline&) = delete;
    ReplyDeadline& operator=(const ReplyDeadline&) = delete;

    // True once the limit passed and the mailbox was removed for it.
    bool Expired();

private:
    void Watch(unsigned ms);

    std::string mailbox_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ended_ = false;
    bool expired_ = false;
    std::thread watcher_;
};
