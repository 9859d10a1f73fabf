// Take the oldest message of a mailbox, waiting for it only while host can
// be reached: answered -1 at once when it cannot, and later when it drops out
// of reach while the request waits.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST(PostOfficeRcvFromHostMboxReqMsg,
            (bStr, host, "host", Get(GetHost)),
            (bStr, mBoxName, "mBoxName", Get(GetMBoxName)));
