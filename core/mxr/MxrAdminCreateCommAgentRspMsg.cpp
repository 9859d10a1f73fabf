#include "MxrAdminCreateCommAgentRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommAgentRspMsg, 65);

MxrAdminCreateCommAgentRspMsg::MxrAdminCreateCommAgentRspMsg() { MXR_METHOD_FRAME("MxrAdminCreateCommAgentRspMsg", 0); }

MxrAdminCreateCommAgentRspMsg::MxrAdminCreateCommAgentRspMsg(const MxrAdminCreateCommAgentReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminCreateCommAgentRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminCreateCommAgentRspMsg::~MxrAdminCreateCommAgentRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminCreateCommAgentRspMsg", 0);
}

int MxrAdminCreateCommAgentRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminCreateCommAgentRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
