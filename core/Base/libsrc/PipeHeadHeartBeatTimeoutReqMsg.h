// A timer request addressed to a pipe endpoint itself: the watching timer of a pipe endpoint carries it: on dispatch the endpoint declares its peer dead.
// It never leaves the process; its forms are those of BaseReqMsg.
#pragma once

#include "BaseReqMsg.h"

class PipeHeadHeartBeatTimeoutReqMsg : public BaseReqMsg {
    MXR_CLASS(PipeHeadHeartBeatTimeoutReqMsg, BaseReqMsg);
    MXR_FIELDS();

public:
    PipeHeadHeartBeatTimeoutReqMsg();
    explicit PipeHeadHeartBeatTimeoutReqMsg(BaseAddrPtr& to);
    ~PipeHeadHeartBeatTimeoutReqMsg() override;
};
MXR_COMPANION_PTR(PipeHeadHeartBeatTimeoutReqMsg);
