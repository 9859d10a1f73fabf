// Withdraws an address announced with PipeRegMsg: the receiving end removes
// one route through the pipe with the same host, pid, tid and priority (the
// priority must be the announced one).
#pragma once

#include "BasePipeMsg.h"
#include "MessageDeclare.h"
#include "bStr.h"

// pid and tid are 4 bytes on the wire.
MXR_MESSAGE_BEGIN(PipeDeRegMsg, BasePipeMsg,
                  (bStr, host, "host", Get(GetHost), Set(SetHost)),
                  (long, pid, "pid", Get(GetPid), Set(SetPid)),
                  (long, tid, "tid", Get(GetTid), Set(SetTid)),
                  (int, comPriority, "comPriority", Get(GetComPriority), Set(SetComPriority)))
    // Priority 0.
    PipeDeRegMsg(const bStr& host_, long pid_, long tid_);
MXR_END(PipeDeRegMsg);
