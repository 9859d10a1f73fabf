#include "HVObjSecurity.h"

#include "platform/ObjSecurity.h"

namespace portlib {

BOOL InitHVObjSecurity(SECURITY_ATTRIBUTES* sa) {
    if (sa == nullptr) return 0;
    const platform::ObjSecurity* descriptor = platform::ObjSecurity::ForProcess();
    if (descriptor == nullptr) return 0;
    sa->nLength = sizeof(SECURITY_ATTRIBUTES);
    sa->lpSecurityDescriptor = descriptor;
    sa->bInheritHandle = 0;
    return 1;
}

}  // namespace portlib
