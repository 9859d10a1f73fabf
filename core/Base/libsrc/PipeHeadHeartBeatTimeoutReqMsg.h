// A timer request addressed to a pipe endpoint itself: the watching timer of a pipe endpoint carries
// it: on dispatch the endpoint declares its peer dead.
// It never leaves the process; its forms are those of BaseReqMsg.
#pragma once

#include "MessageDeclare.h"

MXR_REQUEST(PipeHeadHeartBeatTimeoutReqMsg);
