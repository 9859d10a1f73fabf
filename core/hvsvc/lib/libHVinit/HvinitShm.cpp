// The table "hvinit-shm": a file in run/shm/ mapped shared, under the
// platform's named-object rule: every open handle holds the file, and a mapped
// view holds it too (as a view keeps an NT mapping alive), so the table
// disappears with its last handle or view and a service started after
// everything ended gets a fresh one.
#include "HvinitReport.h"
#include "libHVinit.h"
#include "platform/NamedObject.h"
#include "platform/ObjSecurity.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pp = portlib::platform;

namespace {

std::mutex gMutex;
pp::NamedObject gTable;  // the kept handle

// A fresh table: zeros, every slot free, no pipe handle, no last pid or exit value.
int Build(int fd) {
    if (::ftruncate(fd, static_cast<off_t>(hvinit::kTableBytes)) != 0) return errno;
    void* base = ::mmap(nullptr, hvinit::kTableBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return errno;
    auto* table = static_cast<hvinit::HvinitTable*>(base);
    table->header.freeSlots = hvinit::kSlotCount;
    table->header.pipeHandle = hvinit::kNone;
    for (hvinit::HvinitSlot& slot : table->slots) {
        slot.lastStartedPid = hvinit::kNone;
        slot.exitValue = hvinit::kNone;
    }
    ::munmap(base, hvinit::kTableBytes);
    // The admin group, when one is configured; the mode is 0660 already.
    if (const pp::ObjSecurity* security = pp::ObjSecurity::ForProcess()) (void)security->Apply(fd);
    return 0;
}

// A live file of another size is never mapped: a view past its end would fault.
bool WholeTable(const pp::NamedObject& table) {
    struct stat st {};
    return ::fstat(table.Fd(), &st) == 0 && static_cast<std::size_t>(st.st_size) == hvinit::kTableBytes;
}

std::string TablePath() {
    std::string path;
    return pp::NamedObjectPath(pp::SysArea::Shm, hvinit::kShmName, &path) == 0 ? path : std::string();
}

}  // namespace

int hvi_shm_create() {
    std::lock_guard<std::mutex> g(gMutex);
    // The new handle is opened before the kept one is dropped, so a table this
    // process alone holds is found, not made afresh.
    pp::NamedObject table;
    bool created = false;
    const std::string path = TablePath();
    if (path.empty() || table.OpenOrCreate(path, 0660, Build, &created) != 0 || !WholeTable(table)) {
        HVI_REPORT(2, 19642, "hvi_shm_create: shmget() failed.\n");
        return -1;
    }
    gTable = std::move(table);
    return created ? 1 : -2;
}

int hvi_shm_get() {
    std::lock_guard<std::mutex> g(gMutex);
    pp::NamedObject table;
    const std::string path = TablePath();
    int err = path.empty() ? pp::HV_ERROR_FILE_NOT_FOUND : table.Open(path);
    if (err == ENOENT) err = pp::HV_ERROR_FILE_NOT_FOUND;
    if (err == 0 && !WholeTable(table)) err = pp::HV_ERROR_INVALID_DATA;
    if (err != 0) {
        HVI_REPORT(4, 19644, "hvi_shm_get: OpenFileMapping() failed, %d.\n", err);
        return -1;
    }
    gTable = std::move(table);
    return 1;
}

void* hvi_shm_attach() {
    std::lock_guard<std::mutex> g(gMutex);
    void* base = !gTable.IsOpen() ? MAP_FAILED
                                  : ::mmap(nullptr, hvinit::kTableBytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                                           gTable.Fd(), 0);
    if (base == MAP_FAILED) {
        HVI_REPORT(4, 19643, "hvi_shm_attach: shmat() failed. Cannot map shared memory segment, %d.\n",
                   gTable.IsOpen() ? 8 : 6);
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
    gTable.Close();
    return 0;
}
