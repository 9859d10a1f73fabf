#include "MxrAdminDeleteCommPathRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommPathRspMsg, 63);

MxrAdminDeleteCommPathRspMsg::MxrAdminDeleteCommPathRspMsg() { MXR_METHOD_FRAME("MxrAdminDeleteCommPathRspMsg", 0); }

MxrAdminDeleteCommPathRspMsg::MxrAdminDeleteCommPathRspMsg(const MxrAdminDeleteCommPathReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminDeleteCommPathRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminDeleteCommPathRspMsg::~MxrAdminDeleteCommPathRspMsg() { MXR_METHOD_FRAME("~MxrAdminDeleteCommPathRspMsg", 0); }

int MxrAdminDeleteCommPathRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminDeleteCommPathRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
