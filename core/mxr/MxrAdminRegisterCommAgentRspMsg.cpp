#include "MxrAdminRegisterCommAgentRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommAgentRspMsg, 59);

MxrAdminRegisterCommAgentRspMsg::MxrAdminRegisterCommAgentRspMsg() {
    MXR_METHOD_FRAME("MxrAdminRegisterCommAgentRspMsg", 0);
}

MxrAdminRegisterCommAgentRspMsg::MxrAdminRegisterCommAgentRspMsg(const MxrAdminRegisterCommAgentReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminRegisterCommAgentRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminRegisterCommAgentRspMsg::~MxrAdminRegisterCommAgentRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminRegisterCommAgentRspMsg", 0);
}

int MxrAdminRegisterCommAgentRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminRegisterCommAgentRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
