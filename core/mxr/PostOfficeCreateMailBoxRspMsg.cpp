#include "PostOfficeCreateMailBoxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCreateMailBoxRspMsg);

PostOfficeCreateMailBoxRspMsg::PostOfficeCreateMailBoxRspMsg() { MXR_METHOD_FRAME("PostOfficeCreateMailBoxRspMsg", 0); }

PostOfficeCreateMailBoxRspMsg::PostOfficeCreateMailBoxRspMsg(const PostOfficeCreateMailBoxReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeCreateMailBoxRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeCreateMailBoxRspMsg::~PostOfficeCreateMailBoxRspMsg() {
    MXR_METHOD_FRAME("~PostOfficeCreateMailBoxRspMsg", 0);
}

int PostOfficeCreateMailBoxRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeCreateMailBoxRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
