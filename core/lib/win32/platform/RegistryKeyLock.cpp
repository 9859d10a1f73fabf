#include "platform/RegistryKeyLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

RegistryKeyLock::~RegistryKeyLock() { Unlock(); }

void RegistryKeyLock::Unlock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the flock
        fd_ = -1;
    }
}

int RegistryKeyLock::Lock(const std::string& keyDir, Mode mode) {
    Unlock();
    std::string path = keyDir + "/" + kLockFile;
    // Never O_CREAT: a waiter must not re-create the lock file of a key that
    // is being deleted.
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno == ENOTDIR ? ENOENT : errno;
    int op = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(fd, op) != 0) {
        if (errno == EINTR) continue;
        int rc = errno;
        ::close(fd);
        return rc;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int rc = errno;
        ::close(fd);
        return rc;
    }
    if (st.st_nlink == 0) {
        ::close(fd);
        return EIDRM;
    }
    fd_ = fd;
    return 0;
}

int RegistryKeyLock::CreateLockFile(const std::string& keyDir) {
    std::string path = keyDir + "/" + kLockFile;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
    if (fd < 0) return errno;
    int rc = ::fchmod(fd, 0660) == 0 ? 0 : errno;
    ::close(fd);
    return rc;
}

}  // namespace portlib::platform
