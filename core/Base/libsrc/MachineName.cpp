#include "MachineName.h"

#include "FuncInfo.h"
#include "UnixSystem.h"

int MxrMachineName(bStr* name) {
    MXR_FRAME("MachineName", "MxrMachineName", 1, "MachineName.c");
    portlib::utsname u;
    if (portlib::uname(&u) == -1) return -1;
    *name = bStr(u.nodename);
    return 0;
}
