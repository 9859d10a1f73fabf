#include "MxrAdminRegisterCommPathNotifyStatusRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommPathNotifyStatusRspMsg, 77);

MxrAdminRegisterCommPathNotifyStatusRspMsg::MxrAdminRegisterCommPathNotifyStatusRspMsg() {
    MXR_METHOD_FRAME("MxrAdminRegisterCommPathNotifyStatusRspMsg", 0);
}

MxrAdminRegisterCommPathNotifyStatusRspMsg::MxrAdminRegisterCommPathNotifyStatusRspMsg(
    const MxrAdminRegisterCommPathNotifyStatusReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminRegisterCommPathNotifyStatusRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminRegisterCommPathNotifyStatusRspMsg::~MxrAdminRegisterCommPathNotifyStatusRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminRegisterCommPathNotifyStatusRspMsg", 0);
}

int MxrAdminRegisterCommPathNotifyStatusRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void MxrAdminRegisterCommPathNotifyStatusRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
