// A named mutex shared by the processes of one system: a robust,
// process-shared, recursive pthread mutex in a small file in run/sync/, under
// the named-object rule (NamedObject.h): it is built under a temporary name
// and lives while some process holds a handle.
//   - recursive per thread, as an NT mutex: n takes need n releases;
//   - a holder that died hands the lock to the next waiter, which gets it
//     owned with the result Abandoned (the state it guards may be half done);
//   - timed waits run on the monotonic clock, so a wall-clock step never
//     shortens or stretches them.
#pragma once

#include "platform/NamedObject.h"

#include <cstdint>
#include <string_view>

namespace portlib::platform {

class NamedMutex {
public:
    enum class WaitResult { Acquired, Abandoned, TimedOut, Failed };

    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens the live mutex `name`, or makes it (not owned). `*created` tells
    // which. 0 or errno (EINVAL for a bad name, EPROTO for a file that is not
    // a mutex of ours).
    int CreateOrOpen(std::string_view name, bool* created = nullptr);
    // Opens the live mutex `name`. 0, ENOENT or errno.
    int Open(std::string_view name);
    void Close();
    bool IsOpen() const { return shared_ != nullptr; }

    // Waits at most timeoutMs milliseconds (negative: without end). With
    // Failed, `*err` (when given) receives the errno.
    WaitResult Lock(std::int64_t timeoutMs, int* err = nullptr);
    // Releases one hold of the calling thread. 0, or EPERM when the thread
    // holds none.
    int Unlock();

private:
    struct Shared;
    static int Build(int fd);
    int Map();

    NamedObject file_;
    Shared* shared_ = nullptr;
};

}  // namespace portlib::platform
