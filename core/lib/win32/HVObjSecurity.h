// Administrator-only security for the objects the system creates (pipes,
// shared segments, locks). On Linux the descriptor is platform::ObjSecurity:
// directories 0770, files 0660, owned by the creating user, the configured
// admin group (registry "General\AdminGroup") as their group.
#pragma once

#include "PortTypes.h"

namespace portlib {

struct SECURITY_ATTRIBUTES {
    DWORD nLength = 0;
    const void* lpSecurityDescriptor = nullptr;  // a const platform::ObjSecurity*
    BOOL bInheritHandle = 0;
};

// 0 for null or when the descriptor cannot be built (an unknown admin group);
// a later call tries again. Else fills `sa` (its own size, the process's one
// descriptor, not inherited) and returns 1. Safe to call from any thread.
BOOL InitHVObjSecurity(SECURITY_ATTRIBUTES* sa);

}  // namespace portlib
