// Asks the administrator to delete a communication path.
//
// The answer MxrAdminDeleteCommPathRspMsg: retVal 0 the agent let the path
// go, 1 unknown host, agent or path, or no answer in time.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminDeleteCommPathReqMsg, MxrAdminDeleteCommPathRspMsg,
                        (bStr, remoteHostName, "remoteHostName", Get(GetRemoteHostName)),
                        (bStr, localAlias, "localAlias", Get(GetLocalAlias)),
                        (bStr, remoteAlias, "remoteAlias", Get(GetRemoteAlias)),
                        (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Get(GetCommAgentType)),
                        (bStr, devPathName, "devPathName", Get(GetDevPathName)));
