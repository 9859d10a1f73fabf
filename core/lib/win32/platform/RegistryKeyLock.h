// The lock of one registry key: an flock on the key directory's ".lock" file,
// held while the key's values or subkeys are changed (exclusive) or listed
// (shared). The lock file is made with the key and removed only by the
// key's deletion, so a waiter that gets the lock of an unlinked file knows
// that the key went away meanwhile.
#pragma once

#include <string>

namespace portlib::platform {

class RegistryKeyLock {
public:
    static constexpr const char* kLockFile = ".lock";

    RegistryKeyLock() = default;
    RegistryKeyLock(const RegistryKeyLock&) = delete;
    RegistryKeyLock& operator=(const RegistryKeyLock&) = delete;
    ~RegistryKeyLock();

    enum class Mode { Shared, Exclusive };

    // 0 when locked; ENOENT when the key has no lock file (missing or being
    // made or removed); EIDRM when the key was deleted while waiting; errno.
    int Lock(const std::string& keyDir, Mode mode);
    void Unlock();

    // Creates the lock file of a new key (0 or errno; an existing one is kept).
    static int CreateLockFile(const std::string& keyDir);

private:
    int fd_ = -1;
};

}  // namespace portlib::platform
