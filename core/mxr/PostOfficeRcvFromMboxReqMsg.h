// Take the oldest message of a mailbox; on an empty mailbox the request waits
// there until a message arrives. waitTimer travels with it but is not used:
// a waiting receive has no time limit.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST(PostOfficeRcvFromMboxReqMsg,
            (bStr, mBoxName, "mBoxName", Get(GetMBoxName)),
            (int, waitTimer, "waitTimer", Get(GetWaitTimer)));
