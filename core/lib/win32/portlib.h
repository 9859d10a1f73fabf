// Everything portlib offers: Unix-style calls (namespace portlib, never under
// libc's names), the product's registry functions, administrator-only object
// security, the shutdown priority and the object-persistence client.
#pragma once

#include "BufSplit.h"
#include "HVObjSecurity.h"
#include "HVShutdownPriority.h"
#include "OptionParser.h"
#include "PortTypes.h"
#include "PreserveClient.h"
#include "RegHV.h"
#include "UnixDir.h"
#include "UnixPath.h"
#include "UnixStubs.h"
#include "UnixSystem.h"
