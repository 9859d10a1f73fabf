// Remove a mailbox of the post office.
// The answer PostOfficeRemoveMailBoxRspMsg carries retVal: 0 always, whether or not the mailbox
// existed.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST_WITH_RETVAL(PostOfficeRemoveMailBoxReqMsg, PostOfficeRemoveMailBoxRspMsg,
                        (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
