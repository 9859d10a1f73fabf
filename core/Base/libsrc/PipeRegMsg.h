// A further address reachable through the sending end (the remote system of
// a path, say), with the priority of its route. The receiving end adds a
// route for it through the pipe; repeated announcements add repeated routes.
#pragma once

#include "BasePipeMsg.h"
#include "MessageDeclare.h"
#include "bStr.h"

// The fields of an announced route, shared with PipeDeRegMsg; pid and tid
// are 4 bytes on the wire.
#define MXR_PIPE_ROUTE_FIELDS                                  \
    (bStr, host, "host", Get(GetHost), Set(SetHost)),          \
        (long, pid, "pid", Get(GetPid), Set(SetPid)),          \
        (long, tid, "tid", Get(GetTid), Set(SetTid)),          \
        (int, comPriority, "comPriority", Get(GetComPriority), Set(SetComPriority))

MXR_MESSAGE_BEGIN(PipeRegMsg, BasePipeMsg, MXR_PIPE_ROUTE_FIELDS)
    // Priority 0.
    PipeRegMsg(const bStr& host_, long pid_, long tid_);
MXR_END(PipeRegMsg);
