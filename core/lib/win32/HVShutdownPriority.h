// The process's place in the system's shutdown order: the configured base
// (DWORD "BaseShutDownPriority" of section "General", 1020 when it cannot be
// read) plus an offset. Higher levels are stopped first. On Linux the level
// is recorded in $HV_SYSTEM_DIR/run/shutdown/<pid>, where the system's stop
// takes its order from (platform/ShutdownOrder.h).
#pragma once

#include "PortTypes.h"

namespace portlib {

inline constexpr int kDefaultBaseShutDownPriority = 1020;

// 1 when the level was set; 0 when it is out of range (above 0x4FF) or
// cannot be recorded. The process's shutdown flags are kept.
BOOL SetHVShutdownPriority(int priority);

}  // namespace portlib
