#include "PostOfficeIsHostAliveRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsHostAliveRspMsg);

PostOfficeIsHostAliveRspMsg::PostOfficeIsHostAliveRspMsg() { MXR_METHOD_FRAME("PostOfficeIsHostAliveRspMsg", 0); }

PostOfficeIsHostAliveRspMsg::PostOfficeIsHostAliveRspMsg(const PostOfficeIsHostAliveReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeIsHostAliveRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeIsHostAliveRspMsg::~PostOfficeIsHostAliveRspMsg() { MXR_METHOD_FRAME("~PostOfficeIsHostAliveRspMsg", 0); }

int PostOfficeIsHostAliveRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeIsHostAliveRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
