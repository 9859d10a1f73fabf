// The response class of PipeHeadSendHeartBeatReqMsg: defined for the request/response
// convention, never made by the endpoint.
#pragma once

#include "PipeHeadSendHeartBeatReqMsg.h"
#include "BaseRspMsg.h"

class PipeHeadSendHeartBeatRspMsg : public BaseRspMsg {
    MXR_CLASS(PipeHeadSendHeartBeatRspMsg, BaseRspMsg);
    MXR_FIELDS();

public:
    PipeHeadSendHeartBeatRspMsg();
    explicit PipeHeadSendHeartBeatRspMsg(const PipeHeadSendHeartBeatReqMsg& req);
    ~PipeHeadSendHeartBeatRspMsg() override;
};
MXR_COMPANION_PTR(PipeHeadSendHeartBeatRspMsg);
