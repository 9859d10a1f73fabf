#include "ReplyDeadline.h"

#include "ProxyPostOffice.h"
#include "SharedManagerPipe.h"

#include <chrono>
#include <utility>

ReplyDeadline::ReplyDeadline(std::string mailbox, unsigned ms) : mailbox_(std::move(mailbox)) {
    watcher_ = std::thread([this, ms] { Watch(ms); });
}

ReplyDeadline::~ReplyDeadline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    wake_.notify_one();
    watcher_.join();
}

bool ReplyDeadline::Expired() {
    std::lock_guard<std::mutex> lock(mutex_);
    return expired_;
}

void ReplyDeadline::Watch(unsigned ms) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended_; })) return;
        expired_ = true;
    }
    // A connection of its own: the waiting thread's one is busy with the
    // receive. It is made only now, so a watch that ends in time costs none.
    // The waiting thread may hold the database lock and joins this one: a
    // manager that is gone is not waited for longer than the watch.
    SharedManagerPipe::Bound managerWait(ms);
    ProxyPostOffice own(1);
    own.RemoveMailBox(mailbox_.c_str());
}
