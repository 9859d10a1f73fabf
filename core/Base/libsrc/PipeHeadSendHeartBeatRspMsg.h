// The response class of PipeHeadSendHeartBeatReqMsg: defined for the request/response
// convention, never made by the endpoint.
#pragma once

#include "MessageDeclare.h"
#include "PipeHeadSendHeartBeatReqMsg.h"

MXR_RESPONSE(PipeHeadSendHeartBeatRspMsg, PipeHeadSendHeartBeatReqMsg);
