#include "PostOfficeRemoveMailBoxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRemoveMailBoxReqMsg);

PostOfficeRemoveMailBoxReqMsg::PostOfficeRemoveMailBoxReqMsg() { MXR_METHOD_FRAME("PostOfficeRemoveMailBoxReqMsg", 0); }

PostOfficeRemoveMailBoxReqMsg::PostOfficeRemoveMailBoxReqMsg(const BaseAddrPtr& to, bStr mBoxName_)
    : mBoxName(mBoxName_) {
    MXR_METHOD_FRAME("PostOfficeRemoveMailBoxReqMsg", 2);
    SetToAddr(to);
}

PostOfficeRemoveMailBoxReqMsg::~PostOfficeRemoveMailBoxReqMsg() {
    MXR_METHOD_FRAME("~PostOfficeRemoveMailBoxReqMsg", 0);
}

bStr PostOfficeRemoveMailBoxReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
