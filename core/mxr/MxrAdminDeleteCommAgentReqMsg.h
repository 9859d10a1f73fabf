// Names an agent to be deleted; the administrator answers nothing.
//
// The answer class of MxrAdminDeleteCommAgentReqMsg: decodable, sent by no one.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminDeleteCommAgentReqMsg, MxrAdminDeleteCommAgentRspMsg,
                        (bStr, localAlias, "localAlias", Get(GetLocalAlias)),
                        (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Get(GetCommAgentType)),
                        (bStr, devPathName, "devPathName", Get(GetDevPathName)));
