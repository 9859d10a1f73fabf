// A process's place in the system's shutdown order. NT shuts processes with a
// higher level down first; Linux has no such order, so the level is kept per
// process (as NT's shutdown parameters are) and recorded in
// $HV_SYSTEM_DIR/run/shutdown/<pid> ("level flags starttime\n"), from which
// whatever stops the system takes the order: higher levels first. A record of
// a process that has gone (or whose pid was reused: the start time differs)
// is ignored and removed by the reader.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace portlib::platform {

class ShutdownOrder {
public:
    static constexpr unsigned kDefaultLevel = 0x280;  // every process starts here
    static constexpr unsigned kMaxLevel = 0x4FF;

    struct Entry {
        pid_t pid = 0;
        unsigned level = 0;
        unsigned flags = 0;
    };

    // The calling process's level and flags. Always succeeds.
    static bool GetParameters(unsigned* level, unsigned* flags);
    // False (nothing changes) for a level above 0x4FF or when the record
    // cannot be written.
    static bool SetParameters(unsigned level, unsigned flags);

    // The recorded order of live processes, higher levels first (ties by pid).
    // 0 or errno (a missing directory is an empty order).
    static int Read(std::vector<Entry>* order);

    static std::string Directory();
};

}  // namespace portlib::platform
