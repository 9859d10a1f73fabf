// Ask whether messages wait in a mailbox.
// The answer PostOfficeIsMboxEmptyRspMsg carries retVal: 0 no message waiting; 1 messages waiting; -1
// no such mailbox.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeIsMboxEmptyReqMsg, PostOfficeIsMboxEmptyRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
