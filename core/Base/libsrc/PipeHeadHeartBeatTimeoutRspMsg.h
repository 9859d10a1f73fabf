// The response class of PipeHeadHeartBeatTimeoutReqMsg: defined for the request/response
// convention, never made by the endpoint.
#pragma once

#include "MessageDeclare.h"
#include "PipeHeadHeartBeatTimeoutReqMsg.h"

MXR_RESPONSE(PipeHeadHeartBeatTimeoutRspMsg, PipeHeadHeartBeatTimeoutReqMsg);
