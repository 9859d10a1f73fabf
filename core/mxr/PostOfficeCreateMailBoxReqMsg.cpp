#include "PostOfficeCreateMailBoxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCreateMailBoxReqMsg);

PostOfficeCreateMailBoxReqMsg::PostOfficeCreateMailBoxReqMsg() { MXR_METHOD_FRAME("PostOfficeCreateMailBoxReqMsg", 0); }

PostOfficeCreateMailBoxReqMsg::PostOfficeCreateMailBoxReqMsg(const BaseAddrPtr& to, bStr mBoxName_)
    : mBoxName(mBoxName_) {
    MXR_METHOD_FRAME("PostOfficeCreateMailBoxReqMsg", 2);
    SetToAddr(to);
}

PostOfficeCreateMailBoxReqMsg::~PostOfficeCreateMailBoxReqMsg() {
    MXR_METHOD_FRAME("~PostOfficeCreateMailBoxReqMsg", 0);
}

bStr PostOfficeCreateMailBoxReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
