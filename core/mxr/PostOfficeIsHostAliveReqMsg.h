// Ask whether a host can be reached from this host's manager.
// The answer PostOfficeIsHostAliveRspMsg carries retVal: 0 the host can be reached; 1 it cannot.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeIsHostAliveReqMsg, PostOfficeIsHostAliveRspMsg,
                        (bStr, hostName, "hostName", Get(GetHostName)));
