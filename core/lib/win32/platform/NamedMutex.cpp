#include "platform/NamedMutex.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

// The file's content. Checked on every open: the file comes from another
// process and may be anything if someone wrote it by hand.
struct NamedMutex::Shared {
    std::uint32_t magic;
    std::uint32_t size;
    pthread_mutex_t mutex;
};

namespace {

constexpr std::uint32_t kMutexMagic = 0x584D5648;  // "HVMX"

}  // namespace

int NamedMutex::Build(int fd) {
    constexpr std::size_t size = sizeof(Shared);
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) return errno;
    void* mem = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mem == MAP_FAILED) return errno;
    auto* shared = static_cast<Shared*>(mem);
    pthread_mutexattr_t attr;
    int rc = pthread_mutexattr_init(&attr);
    if (rc == 0) rc = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    if (rc == 0) rc = pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    if (rc == 0) rc = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    if (rc == 0) rc = pthread_mutex_init(&shared->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc == 0) {
        shared->size = static_cast<std::uint32_t>(size);
        shared->magic = kMutexMagic;
    }
    ::munmap(mem, size);
    return rc;
}

NamedMutex::~NamedMutex() { Close(); }

void NamedMutex::Close() {
    if (shared_ != nullptr) {
        ::munmap(shared_, sizeof(Shared));
        shared_ = nullptr;
    }
    file_.Close();
}

int NamedMutex::Map() {
    struct stat st {};
    if (::fstat(file_.Fd(), &st) != 0) return errno;
    if (static_cast<std::size_t>(st.st_size) != sizeof(Shared)) return EPROTO;
    void* mem = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, file_.Fd(), 0);
    if (mem == MAP_FAILED) return errno;
    auto* shared = static_cast<Shared*>(mem);
    if (shared->magic != kMutexMagic || shared->size != sizeof(Shared)) {
        ::munmap(mem, sizeof(Shared));
        return EPROTO;
    }
    shared_ = shared;
    return 0;
}

int NamedMutex::CreateOrOpen(std::string_view name, bool* created) {
    Close();
    std::string path;
    int rc = NamedObjectPath(SysArea::Sync, name, &path);
    if (rc != 0) return rc;
    rc = file_.OpenOrCreate(path, 0660, &NamedMutex::Build, created);
    if (rc == 0) rc = Map();
    if (rc != 0) Close();
    return rc;
}

int NamedMutex::Open(std::string_view name) {
    Close();
    std::string path;
    int rc = NamedObjectPath(SysArea::Sync, name, &path);
    if (rc == 0) rc = file_.Open(path);
    if (rc == 0) rc = Map();
    if (rc != 0) Close();
    return rc;
}

NamedMutex::WaitResult NamedMutex::Lock(std::int64_t timeoutMs, int* err) {
    if (shared_ == nullptr) {
        if (err) *err = EBADF;
        return WaitResult::Failed;
    }
    int rc;
    if (timeoutMs < 0) {
        rc = pthread_mutex_lock(&shared_->mutex);
    } else {
        timespec deadline {};
        ::clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        rc = pthread_mutex_clocklock(&shared_->mutex, CLOCK_MONOTONIC, &deadline);
    }
    switch (rc) {
    case 0: return WaitResult::Acquired;
    case ETIMEDOUT: return WaitResult::TimedOut;
    case EOWNERDEAD:
        // The dead holder's lock is ours now; mark the mutex usable again so
        // that the next release does not leave it unrecoverable.
        rc = pthread_mutex_consistent(&shared_->mutex);
        if (rc == 0) return WaitResult::Abandoned;
        pthread_mutex_unlock(&shared_->mutex);
        break;
    default: break;
    }
    if (err) *err = rc;
    return WaitResult::Failed;
}

int NamedMutex::Unlock() {
    if (shared_ == nullptr) return EBADF;
    return pthread_mutex_unlock(&shared_->mutex);
}

}  // namespace portlib::platform
