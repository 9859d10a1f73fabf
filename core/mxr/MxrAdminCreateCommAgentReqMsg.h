// Asks the administrator to wait for an agent of a kind and alias to
// register (sent by the create-path machine when no live agent serves a path).
//
// The answer MxrAdminCreateCommAgentRspMsg: retVal 0 a matching agent is
// alive, 1 none registered in time.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminCreateCommAgentReqMsg, MxrAdminCreateCommAgentRspMsg,
                        (bStr, localAlias, "localAlias", Get(GetLocalAlias)),
                        (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Get(GetCommAgentType)),
                        (bStr, devPathName, "devPathName", Get(GetDevPathName)),
                        (BaseMsgPtr, initMsg, "initMsg", Get(GetInitMsg)));
