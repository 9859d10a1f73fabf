// The rule every named kernel object follows on Linux (shared segments,
// mutexes, events, the HV-init table, held objects). On NT an object dies with
// its last handle; a file outlives every process. So:
//  - each open handle holds a shared flock on the object's file;
//  - an open that finds the file held by nobody treats it as absent (and
//    removes it), so a crash of every user or a reboot leaves nothing stale;
//  - a new object is built under a temporary name beside the real one and
//    published by a rename only when complete, so nobody sees it half built.
// Opens, publications and stale removals of one directory are serialised by
// an exclusive flock on the directory itself; handles never take it while
// they are held, only for those brief steps.
//
// An open that races with the exit of the last holder may get the file that
// holder just left: the same as an NT open that lands before the last close.
#pragma once

#include "platform/SystemDir.h"

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace portlib::platform {

// Longest kernel-object name taken.
inline constexpr std::size_t kObjectNameMax = 200;

// The file of the kernel object `name` in `area` (Shm or Sync), the area made
// when missing. Names are case-sensitive as on NT: [A-Za-z0-9_-] stay as they
// are, every other byte (the dot too, so no name meets a build's temporary
// file) becomes %XX. 0; EINVAL for an empty or too long name; errno.
int NamedObjectPath(SysArea area, std::string_view name, std::string* path);

class NamedObject {
public:
    NamedObject() = default;
    ~NamedObject();
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;
    NamedObject(NamedObject&& other) noexcept;
    NamedObject& operator=(NamedObject&& other) noexcept;

    // Opens the live object at `path` (read-write). 0; ENOENT when there is
    // none or when the file is held by nobody (then it is removed); errno.
    int Open(const std::string& path);

    // Starts a new object: a temporary file beside `path`, created with
    // permission bits `mode` (exactly, whatever the umask) and already held.
    // The caller fills it through Fd(), then calls Publish().
    int BeginCreate(const std::string& path, mode_t mode);

    // Moves the built file to its real name. 0; EEXIST when a live object is
    // already there (the temporary file is removed and this handle closed:
    // open the existing one instead); errno (handle closed as well).
    int Publish();

    // Open when live, else build with `build(fd)` and publish. A build that
    // returns non-zero ends the call with that value. `*created` tells which.
    // A creator that loses the race to another one opens the winner's object.
    int OpenOrCreate(const std::string& path, mode_t mode, const std::function<int(int fd)>& build,
                     bool* created);

    // Drops the handle (and with it the shared lock).
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // The real name (also while building).
    const std::string& Path() const { return path_; }
    bool IsPublished() const { return fd_ >= 0 && temp_.empty(); }

    // True when `path` names a live object (held by someone). Does not remove
    // or keep anything.
    static bool IsLive(const std::string& path);

private:
    int fd_ = -1;
    std::string path_;
    std::string temp_;  // non-empty while building
};

}  // namespace portlib::platform
