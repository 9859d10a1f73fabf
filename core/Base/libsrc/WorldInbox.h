// The one way into a world's loop from another thread (a database link, a
// helper thread): a queue guarded by its own lock and an eventfd that wakes
// the loop. Other threads only Post; the loop's own adapter
// (WorldInboxPollAdptr) moves what was posted onto the world's message list,
// on the loop's thread, in the order each thread posted.
//
// Use:
//   // on the loop's thread, once (Initialize is a good place):
//   std::shared_ptr<WorldInbox> inbox = world.OpenInbox();
//   // hand the shared pointer to the other thread; there:
//   inbox->Post(BaseMsgPtr(new SomeMsg(...)));   // 0, or -1 once closed
//
// A posting thread never touches the loop's message list, its route tables or
// its dispatch context. It builds a message from addresses it was handed
// (copies of receivers' addresses, logical names) and gives it up with Post:
// after that the message belongs to the loop. The queue has no bound: posting
// threads are this process's own code.
//
// The inbox outlives its world while a thread still holds it: when the world
// goes it is closed, what was still queued is released on the loop's thread,
// and later posts return -1 (the message is not taken).
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "BaseMsgPtr.h"

class WorldInbox {
public:
    // Opens the wake-up descriptor; GetFd() is -1 when that failed (a Post
    // then fails too).
    WorldInbox();
    ~WorldInbox();
    WorldInbox(const WorldInbox&) = delete;
    WorldInbox& operator=(const WorldInbox&) = delete;

    // Any thread: queues msg for the loop and wakes it. 0 when queued; -1
    // when the inbox is closed or has no descriptor, or msg holds no message.
    int Post(const BaseMsgPtr& msg);

    // The loop's thread: appends everything posted so far to into, oldest
    // first, and returns how many messages that was.
    int MoveInto(BaseMsgLst& into);
    // The loop's thread: no more posts are taken; what is queued is released
    // here, on the calling thread.
    void Close();

    // The descriptor the loop polls for POLLIN while messages wait.
    int GetFd() const;

private:
    const int wakeFd;
    std::mutex mu;
    std::vector<BaseMsgPtr> queued;  // guarded by mu
    bool closed = false;             // guarded by mu
};
