// An agent reports that a path's outgoing connection has exchanged its init
// message, with the incoming side's heartbeat status (one-way).
//
// The answer class of the outgoing-connection report: no field of its own,
// decodable, built by no one.
#pragma once

#include "MessageDeclare.h"
#include "PipeHead.h"
#include "bStr.h"

MXR_REQUEST(MxrAdminReportOutConnCompleteReqMsg,
            (int, commAgentTag, "commAgentTag", Get(GetCommAgentTag)),
            (bStr, remAlias, "remAlias", Get(GetRemAlias)),
            (PipeHead::HeartBeatStatus, inHBStatus, "inHBStatus", Get(GetInHBStatus)),
            (bStr, devicePath, "devicePath", Get(GetDevicePath)));
MXR_RESPONSE(MxrAdminReportOutConnCompleteRspMsg, MxrAdminReportOutConnCompleteReqMsg);
