#include "PipeHeadSendHeartBeatRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeadSendHeartBeatRspMsg);

PipeHeadSendHeartBeatRspMsg::PipeHeadSendHeartBeatRspMsg() { MXR_METHOD_FRAME("PipeHeadSendHeartBeatRspMsg", 0); }

PipeHeadSendHeartBeatRspMsg::PipeHeadSendHeartBeatRspMsg(const PipeHeadSendHeartBeatReqMsg& req) {
    MXR_METHOD_FRAME("PipeHeadSendHeartBeatRspMsg", 1);
    toAddr = req.GetFrmAddr();
}

PipeHeadSendHeartBeatRspMsg::~PipeHeadSendHeartBeatRspMsg() { MXR_METHOD_FRAME("~PipeHeadSendHeartBeatRspMsg", 0); }
