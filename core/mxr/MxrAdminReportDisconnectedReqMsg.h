// An agent reports that a path's outgoing connection hung up (one-way).
//
// The answer class of the disconnected report: no field of its own,
// decodable, built by no one.
#pragma once

#include "MessageDeclare.h"
#include "bStr.h"

MXR_REQUEST(MxrAdminReportDisconnectedReqMsg,
            (int, commAgentTag, "commAgentTag", Get(GetCommAgentTag)),
            (bStr, remAlias, "remAlias", Get(GetRemAlias)),
            (bStr, devicePath, "devicePath", Get(GetDevicePath)));
MXR_RESPONSE(MxrAdminReportDisconnectedRspMsg, MxrAdminReportDisconnectedReqMsg);
