#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommPathNotifyStatusReqMsg, 76);

MxrAdminRegisterCommPathNotifyStatusReqMsg::MxrAdminRegisterCommPathNotifyStatusReqMsg() {
    MXR_METHOD_FRAME("MxrAdminRegisterCommPathNotifyStatusReqMsg", 0);
}

MxrAdminRegisterCommPathNotifyStatusReqMsg::MxrAdminRegisterCommPathNotifyStatusReqMsg(
    const BaseAddrPtr& to, const CommPathStatusMsgPtr& theMsgPtr_)
    : theMsgPtr(theMsgPtr_) {
    MXR_METHOD_FRAME("MxrAdminRegisterCommPathNotifyStatusReqMsg", 2);
    SetToAddr(to);
}

MxrAdminRegisterCommPathNotifyStatusReqMsg::~MxrAdminRegisterCommPathNotifyStatusReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminRegisterCommPathNotifyStatusReqMsg", 0);
}

CommPathStatusMsgPtr MxrAdminRegisterCommPathNotifyStatusReqMsg::GetTheMsgPtr() const {
    MXR_METHOD_FRAME("GetTheMsgPtr", 0);
    return theMsgPtr;
}
