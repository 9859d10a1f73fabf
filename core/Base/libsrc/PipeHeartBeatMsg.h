// The heartbeat of a pipe: sent at once when an end starts sending
// heartbeats, then every heartbeat interval. count is its sequence number
// (the sender adds 1 before each sending, so the first carries 1); the
// receiver does not look at it.
#pragma once

#include "BasePipeMsg.h"
#include "MessageDeclare.h"

MXR_MESSAGE_BEGIN(PipeHeartBeatMsg, BasePipeMsg, (int, count, "count", Get(GetCount), Set(SetCount)))
    // count + 1, wrapping round like the 32-bit counter on the wire.
    void IncCount();
MXR_END(PipeHeartBeatMsg);
