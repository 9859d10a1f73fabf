// Withdraws an address announced with PipeRegMsg: the receiving end removes
// one route through the pipe with the same host, pid, tid and priority (the
// priority must be the announced one).
#pragma once

#include "PipeRegMsg.h"

MXR_MESSAGE_BEGIN(PipeDeRegMsg, BasePipeMsg, MXR_PIPE_ROUTE_FIELDS)
    // Priority 0.
    PipeDeRegMsg(const bStr& host_, long pid_, long tid_);
MXR_END(PipeDeRegMsg);
