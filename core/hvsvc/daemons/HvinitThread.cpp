#include "HvinitThread.h"

#include "HvinitDispatcher.h"
#include "HvinitMonitor.h"
#include "HvinitPaths.h"
#include "HvinitPipeServer.h"
#include "InstallPaths.h"
#include "LinuxMonitorSystem.h"
#include "SlotHandles.h"
#include "UnixSystem.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace hvsvc {

namespace {

bool WritableDir(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return ::access(dir.c_str(), W_OK | X_OK) == 0 && std::filesystem::is_directory(dir, ec);
}

// The table for this run: 1 new, 0 reused, -1 none (reported).
int OpenTable(hvinit::HvinitTable** table) {
    int kind = 1;
    const int created = hvi_shm_create();
    if (created == -1) {
        pxm_err(2, 19050, __FILE__, __LINE__, 0, 0,
                "hvi_shm_create() failed; HV-init requires at least 62 KBytes of Shared Memory Segment. Check SHMMAX "
                "tunable value.\n");
        return -1;
    }
    if (created == -2) {
        pxm_err(3, 19051, __FILE__, __LINE__, 0, 0,
                "hvinit server, %s is using the existing shared memory segment.\nTo start fresh, stop (hvi_stop) and "
                "start (hvi_start) HV-init.\n",
                "hvinit");
        kind = 0;
        if (hvi_shm_get() != 1) {
            pxm_err(2, 19052, __FILE__, __LINE__, 0, 0,
                    "hvi_shm_get() failed; Stop (hvi_stop) and restart (hvi_start) HV-init.\n");
            return -1;
        }
    }
    *table = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
    if (*table == nullptr) {
        pxm_err(2, 19053, __FILE__, __LINE__, 0, 0,
                "hvi_shm_attach() failed; Stop (hvi_stop) and restart (hvi_start) HV-init.\n");
        hvi_shm_remove();
        return -1;
    }
    return kind;
}

}  // namespace

void HvinitThread::Run(MonitorSystem* given) {
    std::string root;
    if (InstallPaths::RootDir(&root) != 0) {
        pxm_err(6, 19044, __FILE__, __LINE__, 0, 0, "Holdervane directory is not set.\n");
        return;
    }
    pxm_err(6, 19044, __FILE__, __LINE__, 0, 0, "Holdervane directory is %s.\n", root.c_str());
    const HvinitPaths paths = HvinitPaths::Under(root);
    if (!WritableDir(paths.workDir)) {
        pxm_err(6, 19044, __FILE__, __LINE__, 0, 0, "Failed to read/write directory %s.\n", paths.workDir.c_str());
        pxm_err(2, 19044, __FILE__, __LINE__, 0, 0, "Failed to read/write directory %s.\n", paths.workDir.c_str());
        return;
    }
    if (!WritableDir(paths.etcDir)) {
        pxm_err(2, 19045, __FILE__, __LINE__, 0, 0, "Failed to read/write directory %s.\n", paths.etcDir.c_str());
        return;
    }
    LinuxMonitorSystem real;
    MonitorSystem& system = given != nullptr ? *given : real;

    hvinit::HvinitTable* table = nullptr;
    const int kind = OpenTable(&table);
    if (kind < 0) return;
    {
        SlotHandles handles(table, system);
        HvinitDispatcher dispatcher(table, handles, system, paths);
        HvinitMonitor monitor(table, handles, system, dispatcher, paths);
        bool ok = true;
        if (kind == 1) {
            portlib::utsname names{};
            if (portlib::uname(&names) != 0) {
                pxm_err(2, 19043, __FILE__, __LINE__, 0, 0, "Unable to obtain System Name.\n");
                ok = false;
            } else {
                monitor.FillNewTable(static_cast<int>(::getpid()), names.nodename);
            }
        } else {
            monitor.AdoptTable(static_cast<int>(::getpid()));
        }
        HvinitPipeServer pipe(dispatcher, gate_.WakeFd());
        if (ok) {
            pxm_err(6, 19063, __FILE__, __LINE__, 0, 0, "Holdervane PXM HV-init INITIALIZATION IS STARTED.\n");
            if (pipe.Open() == 0) table->header.pipeHandle = pipe.Fd();
            if (kind == 1) ok = monitor.ReadConfiguration();
        }
        if (ok) {
            monitor.Begin();
            while (gate_.Pass()) {
                pipe.ServeWaiting();
                // A stop cuts the sleep short; a client that comes is served after it.
                pollfd wake = {gate_.WakeFd(), POLLIN, 0};
                (void)::poll(&wake, 1, kPassMs);
                if (!gate_.Pass()) break;
                monitor.Pass();
            }
        }
        pipe.Close();
        // Whoever still holds the table sees that nobody serves it.
        table->header.serverReady = 0;
        table->header.pipeHandle = hvinit::kNone;
    }
    hvi_shm_detach(table);
    hvi_shm_remove();
}

}  // namespace hvsvc
