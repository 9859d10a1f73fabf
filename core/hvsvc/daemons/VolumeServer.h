// The volume worker: locks every shared volume at start, keeps the boot-time
// disk check list off them, and serves "\\.\pipe\hvlockpipe" one client at a
// time.
//   request (12 bytes): u32 magic 0x87654321, i32 command, char drive letter
//                       (either case), 3 bytes padding
//   commands: 1 lock, 2 unlock, 3 the lock mask, 4 share, 5 unshare, 6 the
//             shared-volume mask; 3 and 6 ignore the letter
//   reply (i32): 0 done, or the mask (6: -1 when unreadable); -1 the
//                operation failed; -2 a bad magic, letter (A-Z, a-z) or
//                command, or a request that did not arrive whole
#pragma once

#include "PauseGate.h"
#include "VolumeLockTable.h"

#include <cstdint>

namespace hvsvc {

inline constexpr const char* kVolumePipeName = "\\\\.\\pipe\\hvlockpipe";
inline constexpr std::uint32_t kVolumeMagic = 0x87654321;

class VolumeServer {
public:
    explicit VolumeServer(PauseGate& gate) : gate_(gate) {}

    // The thread's body: returns when the service stops, or at once when the
    // pipe cannot be made (its error).
    int Run();

    // One request's answer (the pipe's reply word).
    std::int32_t Handle(std::uint32_t magic, std::int32_t command, char letter);

    // Locks every shared volume (the worker's start).
    void LockSharedVolumes();

private:
    bool Share(char letter, bool share);

    PauseGate& gate_;
    VolumeLockTable locks_;
};

}  // namespace hvsvc
