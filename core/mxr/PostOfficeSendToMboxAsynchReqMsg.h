// Put a message into a mailbox without an answer.
// Its answer PostOfficeSendToMboxAsynchRspMsg is never sent (the asynchronous
// send has no answer); the class exists for its code.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeSendToMboxAsynchReqMsg, PostOfficeSendToMboxAsynchRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)),
                        (BaseMsgPtr, msg, "msg", Get(GetMsg)));
