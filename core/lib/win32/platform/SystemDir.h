// The system directory: everything that is machine-wide on NT (registry,
// named pipes, named kernel objects, the event log) lives below one directory,
// so that several simulated systems can run side by side on one machine.
#pragma once

#include <string>

namespace portlib::platform {

enum class SysArea {
    Root,      // $HV_SYSTEM_DIR itself
    Registry,  // registry store
    Pipe,      // named pipes (Unix-domain sockets)
    Shm,       // named shared segments
    Sync,      // named mutexes and events
    Log,       // event log file and program logs
};

// Default when HV_SYSTEM_DIR is unset or empty.
inline constexpr const char* kDefaultSystemDir = "/var/lib/holdervane";

// The system directory: $HV_SYSTEM_DIR, else the default. Read on every call,
// so tests that switch systems within one process see the change.
std::string SystemDir();

// Path of one area below the system directory, without a trailing slash.
std::string SystemPath(SysArea area);
// The same below another system's directory (a process that joins two
// systems on this machine); empty: this process's, as above.
std::string SystemPath(SysArea area, const std::string& systemDir);

// Path of one area, created (with every missing parent) when absent.
// Directories are made 0770. Returns 0 or an errno value.
int EnsureSystemPath(SysArea area, std::string* path = nullptr);

}  // namespace portlib::platform
