// A timer request addressed to a pipe endpoint itself: the sending timer of a pipe endpoint carries
// it: on dispatch the endpoint sends one heartbeat.
// It never leaves the process; its forms are those of BaseReqMsg.
#pragma once

#include "MessageDeclare.h"

MXR_REQUEST(PipeHeadSendHeartBeatReqMsg);
