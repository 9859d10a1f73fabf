// The response class of PipeHeadHeartBeatTimeoutReqMsg: defined for the request/response
// convention, never made by the endpoint.
#pragma once

#include "PipeHeadHeartBeatTimeoutReqMsg.h"
#include "BaseRspMsg.h"

class PipeHeadHeartBeatTimeoutRspMsg : public BaseRspMsg {
    MXR_CLASS(PipeHeadHeartBeatTimeoutRspMsg, BaseRspMsg);
    MXR_FIELDS();

public:
    PipeHeadHeartBeatTimeoutRspMsg();
    explicit PipeHeadHeartBeatTimeoutRspMsg(const PipeHeadHeartBeatTimeoutReqMsg& req);
    ~PipeHeadHeartBeatTimeoutRspMsg() override;
};
MXR_COMPANION_PTR(PipeHeadHeartBeatTimeoutRspMsg);
