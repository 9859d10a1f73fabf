#include "MxrAdminIsAnyCommPathToHostUpRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminIsAnyCommPathToHostUpRspMsg, 75);

MxrAdminIsAnyCommPathToHostUpRspMsg::MxrAdminIsAnyCommPathToHostUpRspMsg() {
    MXR_METHOD_FRAME("MxrAdminIsAnyCommPathToHostUpRspMsg", 0);
}

MxrAdminIsAnyCommPathToHostUpRspMsg::MxrAdminIsAnyCommPathToHostUpRspMsg(
    const MxrAdminIsAnyCommPathToHostUpReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminIsAnyCommPathToHostUpRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminIsAnyCommPathToHostUpRspMsg::~MxrAdminIsAnyCommPathToHostUpRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminIsAnyCommPathToHostUpRspMsg", 0);
}

int MxrAdminIsAnyCommPathToHostUpRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminIsAnyCommPathToHostUpRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
