// An agent announces itself: the process and thread of its loop, its alias,
// kind and device. pid and tid travel as 4 bytes.
//
// The answer MxrAdminRegisterCommAgentRspMsg: retVal is the agent's tag.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminRegisterCommAgentReqMsg, MxrAdminRegisterCommAgentRspMsg,
                        (long, pid, "pid", Get(GetPid)),
                        (long, tid, "tid", Get(GetTid)),
                        (bStr, localAlias, "localAlias", Get(GetLocalAlias)),
                        (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Get(GetCommAgentType)),
                        (bStr, devPathName, "devPathName", Get(GetDevPathName)));
