// The table "hvinit-shm": a file in run/shm/ mapped shared.
//
// An NT mapping disappears with its last handle. Here every open handle holds
// a shared flock on the file (a mapping keeps it too, as its view keeps an NT
// mapping alive); a file that nobody holds counts as absent, so a service
// started after everything ended gets a fresh table. A guard lock beside the
// file makes each create-or-open decision one step.
#include "HvinitReport.h"
#include "libHVinit.h"
#include "platform/ObjSecurity.h"
#include "platform/SystemDir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pp = portlib::platform;

namespace {

std::mutex gMutex;
int gHandle = -1;  // the kept handle: the table's descriptor

// Holds the guard lock of the table's directory for one decision.
class GuardLock {
public:
    explicit GuardLock(const std::string& dir) {
        fd_ = ::open((dir + "/" + hvinit::kShmName + ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~GuardLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    GuardLock(const GuardLock&) = delete;
    GuardLock& operator=(const GuardLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool HeldByNobody(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    return true;  // the caller keeps or converts the exclusive lock
}

bool Share(int fd) {
    while (::flock(fd, LOCK_SH) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

void Keep(int fd) {
    if (gHandle >= 0) ::close(gHandle);
    gHandle = fd;
}

// A fresh table: zeros, every slot free, no pipe handle, no last pid or exit value.
bool Initialise(int fd) {
    if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, static_cast<off_t>(hvinit::kTableBytes)) != 0) return false;
    void* base = ::mmap(nullptr, hvinit::kTableBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return false;
    auto* table = static_cast<hvinit::HvinitTable*>(base);
    table->header.freeSlots = hvinit::kSlotCount;
    table->header.pipeHandle = hvinit::kNone;
    for (hvinit::HvinitSlot& slot : table->slots) {
        slot.lastStartedPid = hvinit::kNone;
        slot.exitValue = hvinit::kNone;
    }
    return ::munmap(base, hvinit::kTableBytes) == 0;
}

void ApplySecurity(int fd) {
    const pp::ObjSecurity* security = pp::ObjSecurity::ForProcess();
    if (security == nullptr || security->Apply(fd) != 0) (void)::fchmod(fd, pp::ObjSecurity::kFileMode);
}

bool WholeTable(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) == hvinit::kTableBytes;
}

}  // namespace

int hvi_shm_create() {
    std::lock_guard<std::mutex> g(gMutex);
    std::string dir;
    if (pp::EnsureSystemPath(pp::SysArea::Shm, &dir) != 0) {
        HVI_REPORT(2, 19642, "hvi_shm_create: shmget() failed.\n");
        return -1;
    }
    GuardLock guard(dir);
    const int fd = guard.Held() ? ::open((dir + "/" + hvinit::kShmName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660)
                                : -1;
    if (fd < 0) {
        HVI_REPORT(2, 19642, "hvi_shm_create: shmget() failed.\n");
        return -1;
    }
    if (!HeldByNobody(fd)) {
        // A live holder: the table exists. A damaged size is never mapped.
        if (!Share(fd) || !WholeTable(fd)) {
            ::close(fd);
            HVI_REPORT(2, 19642, "hvi_shm_create: shmget() failed.\n");
            return -1;
        }
        Keep(fd);
        return -2;
    }
    ApplySecurity(fd);
    if (!Initialise(fd) || !Share(fd)) {
        ::close(fd);
        HVI_REPORT(2, 19642, "hvi_shm_create: shmget() failed.\n");
        return -1;
    }
    Keep(fd);
    return 1;
}

int hvi_shm_get() {
    std::lock_guard<std::mutex> g(gMutex);
    const std::string dir = pp::SystemPath(pp::SysArea::Shm);
    GuardLock guard(dir);
    int fd = guard.Held() ? ::open((dir + "/" + hvinit::kShmName).c_str(), O_RDWR | O_CLOEXEC) : -1;
    int err = fd < 0 ? (errno == ENOENT ? 2 : 5) : 0;
    if (fd >= 0 && HeldByNobody(fd)) {
        // Left behind by processes that are all gone: there is no table.
        ::close(fd);
        fd = -1;
        err = 2;
    }
    if (fd >= 0 && (!Share(fd) || !WholeTable(fd))) {
        ::close(fd);
        fd = -1;
        err = 13;
    }
    if (fd < 0) {
        HVI_REPORT(4, 19644, "hvi_shm_get: OpenFileMapping() failed, %d.\n", err);
        return -1;
    }
    Keep(fd);
    return 1;
}

void* hvi_shm_attach() {
    std::lock_guard<std::mutex> g(gMutex);
    void* base = gHandle < 0 ? MAP_FAILED
                             : ::mmap(nullptr, hvinit::kTableBytes, PROT_READ | PROT_WRITE, MAP_SHARED, gHandle, 0);
    if (base == MAP_FAILED) {
        HVI_REPORT(4, 19643, "hvi_shm_attach: shmat() failed. Cannot map shared memory segment, %d.\n",
                   gHandle < 0 ? 6 : 8);
        return nullptr;
    }
    return base;
}

int hvi_shm_detach(void* address) {
    if (address == nullptr || address == reinterpret_cast<void*>(-1)) return 0;
    if (::munmap(address, hvinit::kTableBytes) != 0) {
        HVI_REPORT(4, 19645, "hvi_shm_detach: shmdt() failed.\n");
        return -1;
    }
    return 0;
}

int hvi_shm_remove() {
    std::lock_guard<std::mutex> g(gMutex);
    if (gHandle < 0) return 0;
    const int fd = gHandle;
    gHandle = -1;
    if (::close(fd) != 0) {
        HVI_REPORT(4, 19646, "hvi_shm_remove: shmctl() failed.\n");
        return -1;
    }
    return 0;
}
