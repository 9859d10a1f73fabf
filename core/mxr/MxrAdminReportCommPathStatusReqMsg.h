// An agent reports a path's new heartbeat status (one-way: no answer).
//
// The answer class of the status report: no field of its own, decodable, built
// by no one.
#pragma once

#include "MessageDeclare.h"
#include "PipeHead.h"
#include "bStr.h"

MXR_REQUEST(MxrAdminReportCommPathStatusReqMsg,
            (int, commAgentTag, "commAgentTag", Get(GetCommAgentTag)),
            (bStr, remAlias, "remAlias", Get(GetRemAlias)),
            (bStr, deviceName, "deviceName", Get(GetDeviceName)),
            (PipeHead::HeartBeatStatus, hbStatus, "hbStatus", Get(GetHbStatus)));
MXR_RESPONSE(MxrAdminReportCommPathStatusRspMsg, MxrAdminReportCommPathStatusReqMsg);
