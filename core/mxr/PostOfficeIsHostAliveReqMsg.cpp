#include "PostOfficeIsHostAliveReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsHostAliveReqMsg);

PostOfficeIsHostAliveReqMsg::PostOfficeIsHostAliveReqMsg() { MXR_METHOD_FRAME("PostOfficeIsHostAliveReqMsg", 0); }

PostOfficeIsHostAliveReqMsg::PostOfficeIsHostAliveReqMsg(const BaseAddrPtr& to, bStr hostName_) : hostName(hostName_) {
    MXR_METHOD_FRAME("PostOfficeIsHostAliveReqMsg", 2);
    SetToAddr(to);
}

PostOfficeIsHostAliveReqMsg::~PostOfficeIsHostAliveReqMsg() { MXR_METHOD_FRAME("~PostOfficeIsHostAliveReqMsg", 0); }

bStr PostOfficeIsHostAliveReqMsg::GetHostName() const {
    MXR_METHOD_FRAME("GetHostName", 0);
    return hostName;
}
