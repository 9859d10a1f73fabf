// Tells an agent's receiver to stop serving a path.
//
// The agent's answer to CommAgentMsgRcvrDeleteHostReqMsg: retVal is what its
// DeleteHost returned.
#pragma once

#include "DestHostEnt.h"
#include "MessageDeclare.h"

MXR_REQUEST_WITH_RETVAL(CommAgentMsgRcvrDeleteHostReqMsg, CommAgentMsgRcvrDeleteHostRspMsg,
                        (DestHostEntPtr, commPathPtr, "commPathPtr", Get(GetCommPathPtr)));
