#include "PostOfficeRemoveMailBoxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRemoveMailBoxRspMsg);

PostOfficeRemoveMailBoxRspMsg::PostOfficeRemoveMailBoxRspMsg() { MXR_METHOD_FRAME("PostOfficeRemoveMailBoxRspMsg", 0); }

PostOfficeRemoveMailBoxRspMsg::PostOfficeRemoveMailBoxRspMsg(const PostOfficeRemoveMailBoxReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeRemoveMailBoxRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeRemoveMailBoxRspMsg::~PostOfficeRemoveMailBoxRspMsg() {
    MXR_METHOD_FRAME("~PostOfficeRemoveMailBoxRspMsg", 0);
}

int PostOfficeRemoveMailBoxRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeRemoveMailBoxRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
