// Put a message into a mailbox and have it confirmed.
// The answer PostOfficeSendToMboxRspMsg carries retVal: 0 handed to a waiting receiver or queued; 1 no
// such mailbox (the message is dropped).
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeSendToMboxReqMsg, PostOfficeSendToMboxRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)),
                        (BaseMsgPtr, msg, "msg", Get(GetMsg)));
