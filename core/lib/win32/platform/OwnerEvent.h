// A named manual-reset event whose existence means "its owner is alive": a
// small file in run/sync/ that the owner holds (named-object rule,
// NamedObject.h) for its life, with the owner's pid and the signalled flag
// inside. An owner that ends, however it ends, leaves no event behind.
// Others look at it without keeping it alive: they open, read and close.
#pragma once

#include "platform/NamedObject.h"

#include <cstdint>
#include <string_view>
#include <sys/types.h>

namespace portlib::platform {

class OwnerEvent {
public:
    struct State {
        pid_t ownerPid = 0;
        bool signalled = false;
    };

    OwnerEvent() = default;
    OwnerEvent(const OwnerEvent&) = delete;
    OwnerEvent& operator=(const OwnerEvent&) = delete;

    // Makes the event, unsignalled, owned by this process. 0; EEXIST when a
    // live owner has it; EINVAL for a bad name; errno.
    int Create(std::string_view name);
    // Owner only: sets the flag (never reset). 0, EBADF without the event.
    int Signal();
    // Drops the event (the owner's end).
    void Close() { file_.Close(); }
    bool IsOwner() const { return file_.IsPublished(); }

    // The state of the live event `name`. 0; ENOENT when there is none (no
    // owner); EPROTO for a file that is not an event of ours; errno.
    static int Query(std::string_view name, State* state);

    // Waits until the event is signalled, checking every `pollMs`. 0 when
    // signalled; ETIMEDOUT after timeoutMs (negative: no limit); ENOENT when
    // the event is or becomes absent (its owner ended); errno.
    static int WaitSignalled(std::string_view name, std::int64_t timeoutMs, int pollMs = 10);

private:
    NamedObject file_;
};

}  // namespace portlib::platform
