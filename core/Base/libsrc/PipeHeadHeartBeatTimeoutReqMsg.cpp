#include "PipeHeadHeartBeatTimeoutReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeadHeartBeatTimeoutReqMsg);

PipeHeadHeartBeatTimeoutReqMsg::PipeHeadHeartBeatTimeoutReqMsg() { MXR_METHOD_FRAME("PipeHeadHeartBeatTimeoutReqMsg", 0); }

PipeHeadHeartBeatTimeoutReqMsg::PipeHeadHeartBeatTimeoutReqMsg(BaseAddrPtr& to) {
    MXR_METHOD_FRAME("PipeHeadHeartBeatTimeoutReqMsg", 1);
    toAddr = to;
}

PipeHeadHeartBeatTimeoutReqMsg::~PipeHeadHeartBeatTimeoutReqMsg() { MXR_METHOD_FRAME("~PipeHeadHeartBeatTimeoutReqMsg", 0); }
