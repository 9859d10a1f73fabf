// The HV-init table "hvinit-shm": one shared segment that the service's
// monitor and the process-monitor tools map. Its layout is fixed byte for
// byte: 32-bit little-endian integers (handles included), NUL-terminated text.
// A 612-byte header, then 128 slots of 476 bytes: 61,540 bytes in all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hvinit {

inline constexpr int kSlotCount = 128;
inline constexpr int kGroupCount = 128;  // group numbers 1..128; entry 0 unused
inline constexpr std::size_t kTableBytes = 61540;
inline constexpr std::size_t kSystemNameBytes = 64;
inline constexpr std::size_t kCommandBytes = 256;
inline constexpr std::size_t kInstanceNameBytes = 32;
inline constexpr std::size_t kFileNameBytes = 128;
inline constexpr std::int32_t kNone = -1;       // no pid, no handle, no value
inline constexpr std::int32_t kRegistrationTag = 6;

// Group-number states (header, indexed by group number).
enum GroupState : std::int32_t {
    kGroupFree = 0,
    kGroupHandedOut = 1,  // handed out, not yet used
    kGroupUsed = 2,       // used by a registered process
    kGroupAgeing = 3,     // handed out and ageing
};

// Slot state letters.
inline constexpr char kStateMonitoring = 'M';
inline constexpr char kStateInitializing = 'I';
inline constexpr char kStateKilled = 'K';
inline constexpr char kStateWaiting = 'W';
inline constexpr char kStateDead = 'D';
inline constexpr char kStateStopped = 'S';

struct HvinitSlot {
    std::int32_t inUse;                      // 1 holds a monitored process, 0 free
    char command[kCommandBytes];             // program '|' arguments
    std::int32_t processHandle;              // 0 or 1 when none is held
    std::int32_t pid;                        // -1 when not running
    std::int32_t groupNumber;                // 1..128
    char instanceName[kInstanceNameBytes];   // cluster instance waited for; "X" none
    std::int32_t pollTime;                   // seconds
    std::int32_t restartCount;               // -1 no limit
    std::int32_t restartInterval;            // seconds
    std::int32_t restartTimeUnit;            // window length, seconds
    char fileName[kFileNameBytes];           // run when declared dead; "X" none
    std::int32_t nextPollTime;               // seconds since 1970
    std::int32_t failCount;                  // failures in the current window
    std::int32_t windowEnd;                  // 0: no window open
    char state;                              // one of the state letters
    char statePad[3];
    std::int32_t registrationTag;            // 6 on every registration
    std::int32_t lastStartedPid;             // -1 on a fresh table
    std::int32_t exitValue;                  // -1 on a fresh table
};

struct HvinitHeader {
    std::int32_t freeSlots;                  // 128 on a fresh table
    char systemName[kSystemNameBytes];
    std::int32_t serverReady;                // 0 initialising, 1 serving
    std::int32_t serverPid;
    std::int32_t pipeHandle;                 // -1 on a fresh table
    std::int32_t pollTime;                   // POLLTIME
    std::int32_t restartCount;               // RESTARTCNT, -1 no limit
    std::int32_t restartInterval;            // RESTARTTMI
    std::int32_t restartWindow;              // RESTARTTMI x RESTARTCNT, 0 when unlimited
    std::int32_t groupStates[kGroupCount + 1];
};

struct HvinitTable {
    HvinitHeader header;
    HvinitSlot slots[kSlotCount];
};

// Every offset is part of the format that the service and the tools share.
static_assert(offsetof(HvinitHeader, freeSlots) == 0);
static_assert(offsetof(HvinitHeader, systemName) == 4);
static_assert(offsetof(HvinitHeader, serverReady) == 68);
static_assert(offsetof(HvinitHeader, serverPid) == 72);
static_assert(offsetof(HvinitHeader, pipeHandle) == 76);
static_assert(offsetof(HvinitHeader, pollTime) == 80);
static_assert(offsetof(HvinitHeader, restartCount) == 84);
static_assert(offsetof(HvinitHeader, restartInterval) == 88);
static_assert(offsetof(HvinitHeader, restartWindow) == 92);
static_assert(offsetof(HvinitHeader, groupStates) == 96);
static_assert(sizeof(HvinitHeader) == 612);

static_assert(offsetof(HvinitSlot, inUse) == 0);
static_assert(offsetof(HvinitSlot, command) == 4);
static_assert(offsetof(HvinitSlot, processHandle) == 260);
static_assert(offsetof(HvinitSlot, pid) == 264);
static_assert(offsetof(HvinitSlot, groupNumber) == 268);
static_assert(offsetof(HvinitSlot, instanceName) == 272);
static_assert(offsetof(HvinitSlot, pollTime) == 304);
static_assert(offsetof(HvinitSlot, restartCount) == 308);
static_assert(offsetof(HvinitSlot, restartInterval) == 312);
static_assert(offsetof(HvinitSlot, restartTimeUnit) == 316);
static_assert(offsetof(HvinitSlot, fileName) == 320);
static_assert(offsetof(HvinitSlot, nextPollTime) == 448);
static_assert(offsetof(HvinitSlot, failCount) == 452);
static_assert(offsetof(HvinitSlot, windowEnd) == 456);
static_assert(offsetof(HvinitSlot, state) == 460);
static_assert(offsetof(HvinitSlot, registrationTag) == 464);
static_assert(offsetof(HvinitSlot, lastStartedPid) == 468);
static_assert(offsetof(HvinitSlot, exitValue) == 472);
static_assert(sizeof(HvinitSlot) == 476);

static_assert(offsetof(HvinitTable, slots) == 612);
static_assert(sizeof(HvinitTable) == kTableBytes);

}  // namespace hvinit
