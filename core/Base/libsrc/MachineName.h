// The name this machine gives itself when MXRHOSTNAME does not name it:
// the node name of portlib's uname, which is the computer name as NT has it
// (the configured ComputerName, else the host name up to its first dot,
// upper-cased, at most 15 characters). The one place that asks the platform.
#pragma once

#include "bStr.h"

// 0 and the name in *name, or -1 (name untouched) when the machine has none.
int MxrMachineName(bStr* name);
