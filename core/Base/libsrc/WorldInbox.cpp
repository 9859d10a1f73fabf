#include "WorldInbox.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

#include "FuncInfo.h"

#define INBOX_FRAME(func, parms) MXR_FRAME("WorldInbox", (func), (parms), "WorldInbox.c")

WorldInbox::WorldInbox() : wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { INBOX_FRAME("WorldInbox", 0); }

WorldInbox::~WorldInbox() {
    INBOX_FRAME("~WorldInbox", 0);
    if (wakeFd >= 0) ::close(wakeFd);
}

int WorldInbox::Post(const BaseMsgPtr& msg) {
    INBOX_FRAME("Post", 1);
    if (wakeFd < 0 || !msg.Ok()) return -1;
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mu);
        if (closed) return -1;
        // Only the first message of a batch wakes the loop: it takes the
        // whole batch at once.
        wake = queued.empty();
        queued.push_back(msg);
    }
    if (wake) {
        const std::uint64_t one = 1;
        // Fails only when the counter would overflow: the loop is awake then.
        while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    return 0;
}

int WorldInbox::MoveInto(BaseMsgLst& into) {
    INBOX_FRAME("MoveInto", 1);
    // The wake-up is consumed before the queue is taken: a post between the
    // two lands in this batch, a post after the take wakes the next poll.
    std::uint64_t count = 0;
    if (wakeFd >= 0) {
        while (::read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    std::vector<BaseMsgPtr> batch;
    {
        std::lock_guard<std::mutex> lock(mu);
        batch.swap(queued);
    }
    for (const BaseMsgPtr& m : batch) into.Append(m);
    return static_cast<int>(batch.size());
}

void WorldInbox::Close() {
    INBOX_FRAME("Close", 0);
    std::vector<BaseMsgPtr> gone;
    {
        std::lock_guard<std::mutex> lock(mu);
        closed = true;
        gone.swap(queued);
    }
}

int WorldInbox::GetFd() const {
    INBOX_FRAME("GetFd", 0);
    return wakeFd;
}
