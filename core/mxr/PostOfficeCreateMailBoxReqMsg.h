// Create a mailbox of the post office.
// The answer PostOfficeCreateMailBoxRspMsg carries retVal: 0 created; 1 a mailbox of that name exists
// (it is kept as it is).
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeCreateMailBoxReqMsg, PostOfficeCreateMailBoxRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
