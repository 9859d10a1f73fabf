// The first message of each end on a new pipe: the sender's own address
// (host, pid, tid; pid and tid 0 in the manager's process) and the largest
// packet it sends, header included. The receiving end routes the sender's
// address through the pipe and keeps the smaller packet size of the two.
#pragma once

#include "BasePipeMsg.h"
#include "MessageDeclare.h"
#include "bStr.h"

// pid and tid are 4 bytes on the wire.
MXR_MESSAGE(PipeInitMsg, BasePipeMsg,
            (bStr, host, "host", Get(GetHost), Set(SetHost)),
            (long, pid, "pid", Get(GetPid), Set(SetPid)),
            (long, tid, "tid", Get(GetTid), Set(SetTid)),
            (unsigned int, max_pkt_size, "max_pkt_size", Get(GetMax_pkt_size), Set(SetMax_pkt_size)));
