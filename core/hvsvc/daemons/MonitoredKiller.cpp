#include "MonitoredKiller.h"

#include "ProcessList.h"
#include "ProgramKill.h"
#include "ServiceCodes.h"
#include "libHVinit.h"
#include "qdberr.h"

#include "platform/ErrnoWin32.h"
#include "platform/NamedObject.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace hvsvc {

bool MonitoredKiller::IsPidfdOf(int handle, int pid) {
    if (handle < 0 || pid <= 0) return false;
    char link[64] = {};
    const std::string fd = "/proc/self/fd/" + std::to_string(handle);
    if (::readlink(fd.c_str(), link, sizeof link - 1) <= 0 || std::strcmp(link, "anon_inode:[pidfd]") != 0)
        return false;
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(handle));
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("Pid:", 0) == 0) return std::stoi(line.substr(4)) == pid;
    return false;
}

int MonitoredKiller::KillAll(const hvinit::HvinitTable* table) {
    int killed = 0;
    for (const hvinit::HvinitSlot& slot : table->slots) {
        if (slot.inUse != 1) continue;
        // The table is shared: copy what is used before trusting it.
        const int pid = slot.pid;
        const int handle = slot.processHandle;
        char command[hvinit::kCommandBytes];
        std::memcpy(command, slot.command, sizeof command);
        command[sizeof command - 1] = '\0';
        if (pid <= 0) continue;  // nothing runs in this slot

        int pidfd = -1;
        bool own = false;
        if (handle != 0 && IsPidfdOf(handle, pid)) {
            pidfd = handle;
            own = true;
        } else {
            const long fd = ::syscall(SYS_pidfd_open, pid, 0);
            // After the pidfd, the image check is about that one process.
            if (fd >= 0 && pid_runs_program(pid, command) == 1) pidfd = static_cast<int>(fd);
            else if (fd >= 0) ::close(static_cast<int>(fd));
        }
        if (pidfd < 0) {
            pxm_err(3, kMsgCannotOpenToKill, __FILE__, __LINE__, 0, 0, "Unable to open process to kill, pid=%ld\n",
                    static_cast<long>(pid));
            continue;
        }
        if (::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0) {
            ++killed;
        } else {
            const int err = portlib::platform::Win32FromErrno(errno);
            pxm_err(3, kMsgCannotTerminate, __FILE__, __LINE__, 0, 0,
                    "hvinit: Unable to terminate process, pid=%ld , error %d\n", static_cast<long>(pid), err);
        }
        if (!own) ::close(pidfd);
    }
    return killed;
}

int MonitoredKiller::KillMonitored() {
    // A handle of its own: the process's kept table handle (the monitor's)
    // is left alone.
    namespace pp = portlib::platform;
    std::string path;
    pp::NamedObject file;
    if (pp::NamedObjectPath(pp::SysArea::Shm, hvinit::kShmName, &path) != 0 || file.Open(path) != 0) return -1;
    struct stat st {};
    if (::fstat(file.Fd(), &st) != 0 || static_cast<std::size_t>(st.st_size) != hvinit::kTableBytes) return -1;
    void* base = ::mmap(nullptr, hvinit::kTableBytes, PROT_READ, MAP_SHARED, file.Fd(), 0);
    if (base == MAP_FAILED) return -1;
    const int killed = KillAll(static_cast<const hvinit::HvinitTable*>(base));
    ::munmap(base, hvinit::kTableBytes);
    return killed;
}

}  // namespace hvsvc
