#include "MxrAdminDeleteCommAgentRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommAgentRspMsg, 67);

MxrAdminDeleteCommAgentRspMsg::MxrAdminDeleteCommAgentRspMsg() { MXR_METHOD_FRAME("MxrAdminDeleteCommAgentRspMsg", 0); }

MxrAdminDeleteCommAgentRspMsg::MxrAdminDeleteCommAgentRspMsg(const MxrAdminDeleteCommAgentReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminDeleteCommAgentRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminDeleteCommAgentRspMsg::~MxrAdminDeleteCommAgentRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminDeleteCommAgentRspMsg", 0);
}

int MxrAdminDeleteCommAgentRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminDeleteCommAgentRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
