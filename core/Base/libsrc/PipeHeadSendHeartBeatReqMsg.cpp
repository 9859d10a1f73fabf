#include "PipeHeadSendHeartBeatReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeadSendHeartBeatReqMsg);

PipeHeadSendHeartBeatReqMsg::PipeHeadSendHeartBeatReqMsg() { MXR_METHOD_FRAME("PipeHeadSendHeartBeatReqMsg", 0); }

PipeHeadSendHeartBeatReqMsg::PipeHeadSendHeartBeatReqMsg(BaseAddrPtr& to) {
    MXR_METHOD_FRAME("PipeHeadSendHeartBeatReqMsg", 1);
    toAddr = to;
}

PipeHeadSendHeartBeatReqMsg::~PipeHeadSendHeartBeatReqMsg() { MXR_METHOD_FRAME("~PipeHeadSendHeartBeatReqMsg", 0); }
