// Asks the administrator for a communication path to a remote host. initMsg
// is carried for the agent and read by no receiver (null as the system sends it).
//
// The answer MxrAdminCreateCommPathRspMsg: retVal 0 the agent took the path,
// 1 a wait timed out.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminCreateCommPathReqMsg, MxrAdminCreateCommPathRspMsg,
                        (bStr, remoteHostName, "remoteHostName", Ref(GetRemoteHostName)),
                        (bStr, localAlias, "localAlias", Ref(GetLocalAlias)),
                        (bStr, remoteAlias, "remoteAlias", Ref(GetRemoteAlias)),
                        (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Ref(GetCommAgentType)),
                        (bStr, devPathName, "devPathName", Ref(GetDevPathName)),
                        (int, priority, "priority", Ref(GetPriority)),
                        (int, hbInterval, "hbInterval", Ref(GetHbInterval)),
                        (int, hbMaxMiss, "hbMaxMiss", Ref(GetHbMaxMiss)),
                        (int, baudRate, "baudRate ", Ref(GetBaudRate)),
                        (BaseMsgPtr, initMsg, "initMsg", Ref(GetInitMsg)));
