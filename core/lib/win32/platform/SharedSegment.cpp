#include "platform/SharedSegment.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

SharedSegment::~SharedSegment() { Detach(); }

void SharedSegment::Detach() {
    if (base_ != nullptr) ::munmap(base_, size_);
    base_ = nullptr;
    size_ = 0;
    file_.Close();
}

int SharedSegment::Map(std::size_t size) {
    void* mem = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file_.Fd(), 0);
    if (mem == MAP_FAILED) return errno;
    base_ = mem;
    size_ = size;
    return 0;
}

int SharedSegment::Create(std::string_view name, std::size_t size) {
    Detach();
    if (size == 0 || size > kMaxSize) return EINVAL;
    std::string path;
    int rc = NamedObjectPath(SysArea::Shm, name, &path);
    if (rc == 0) rc = file_.BeginCreate(path, 0660);
    if (rc != 0) return rc;
    // Reserve the blocks now: a sparse file would fail with SIGBUS on the
    // first touch of a page that the disk cannot hold.
    rc = ::posix_fallocate(file_.Fd(), 0, static_cast<off_t>(size));
    if (rc == EOPNOTSUPP || rc == EINVAL) rc = ::ftruncate(file_.Fd(), static_cast<off_t>(size)) == 0 ? 0 : errno;
    if (rc == 0) rc = Map(size);
    if (rc != 0) Detach();
    return rc;
}

int SharedSegment::Publish() {
    if (base_ == nullptr) return EINVAL;
    int rc = file_.Publish();
    if (rc != 0) Detach();
    return rc;
}

int SharedSegment::Attach(std::string_view name) {
    Detach();
    std::string path;
    int rc = NamedObjectPath(SysArea::Shm, name, &path);
    if (rc == 0) rc = file_.Open(path);
    if (rc != 0) return rc;
    struct stat st {};
    if (::fstat(file_.Fd(), &st) != 0) {
        rc = errno;
    } else if (st.st_size <= 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxSize) {
        rc = EPROTO;
    } else {
        rc = Map(static_cast<std::size_t>(st.st_size));
    }
    if (rc != 0) Detach();
    return rc;
}

}  // namespace portlib::platform
