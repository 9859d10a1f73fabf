// Tells an agent's receiver (logical name 8 in the agent's process) to start
// serving a path; carries the administrator's own record of it.
//
// The agent's answer to CommAgentMsgRcvrAddHostReqMsg: retVal is what its
// AddHost returned.
#pragma once

#include "DestHostEnt.h"
#include "MessageDeclare.h"

MXR_REQUEST_WITH_RETVAL(CommAgentMsgRcvrAddHostReqMsg, CommAgentMsgRcvrAddHostRspMsg,
                        (DestHostEntPtr, commPathPtr, "commPathPtr", Get(GetCommPathPtr)));
