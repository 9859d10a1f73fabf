// Ask whether a post office serves a mailbox (the probe of a host's post office).
// The answer PostOfficeCanTalkRspMsg carries retVal: 0 the mailbox exists or the name is empty; 1
// otherwise.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeCanTalkReqMsg, PostOfficeCanTalkRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
