#include "PipeHeadHeartBeatTimeoutRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeadHeartBeatTimeoutRspMsg);

PipeHeadHeartBeatTimeoutRspMsg::PipeHeadHeartBeatTimeoutRspMsg() { MXR_METHOD_FRAME("PipeHeadHeartBeatTimeoutRspMsg", 0); }

PipeHeadHeartBeatTimeoutRspMsg::PipeHeadHeartBeatTimeoutRspMsg(const PipeHeadHeartBeatTimeoutReqMsg& req) {
    MXR_METHOD_FRAME("PipeHeadHeartBeatTimeoutRspMsg", 1);
    toAddr = req.GetFrmAddr();
}

PipeHeadHeartBeatTimeoutRspMsg::~PipeHeadHeartBeatTimeoutRspMsg() { MXR_METHOD_FRAME("~PipeHeadHeartBeatTimeoutRspMsg", 0); }
