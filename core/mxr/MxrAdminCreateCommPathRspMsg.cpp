#include "MxrAdminCreateCommPathRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommPathRspMsg, 61);

MxrAdminCreateCommPathRspMsg::MxrAdminCreateCommPathRspMsg() { MXR_METHOD_FRAME("MxrAdminCreateCommPathRspMsg", 0); }

MxrAdminCreateCommPathRspMsg::MxrAdminCreateCommPathRspMsg(const MxrAdminCreateCommPathReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminCreateCommPathRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminCreateCommPathRspMsg::~MxrAdminCreateCommPathRspMsg() { MXR_METHOD_FRAME("~MxrAdminCreateCommPathRspMsg", 0); }

int MxrAdminCreateCommPathRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminCreateCommPathRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
