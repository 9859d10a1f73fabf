// A timer request addressed to a pipe endpoint itself: the sending timer of a pipe endpoint carries it: on dispatch the endpoint sends one heartbeat.
// It never leaves the process; its forms are those of BaseReqMsg.
#pragma once

#include "BaseReqMsg.h"

class PipeHeadSendHeartBeatReqMsg : public BaseReqMsg {
    MXR_CLASS(PipeHeadSendHeartBeatReqMsg, BaseReqMsg);
    MXR_FIELDS();

public:
    PipeHeadSendHeartBeatReqMsg();
    explicit PipeHeadSendHeartBeatReqMsg(BaseAddrPtr& to);
    ~PipeHeadSendHeartBeatReqMsg() override;
};
MXR_COMPANION_PTR(PipeHeadSendHeartBeatReqMsg);
