// Asks whether a path to a host, with a given remote alias, is up.
//
// The answer MxrAdminIsAnyCommPathToHostUpRspMsg: retVal 0 a path is up or
// the host is this one, 1 otherwise.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminIsAnyCommPathToHostUpReqMsg, MxrAdminIsAnyCommPathToHostUpRspMsg,
                        (bStr, remHost, "remHost", Get(GetRemHost)),
                        (bStr, remAlias, "remAlias", Get(GetRemAlias)));
