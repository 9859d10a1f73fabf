#include "PostOfficeDisplayMailBoxLstRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeDisplayMailBoxLstRspMsg);

PostOfficeDisplayMailBoxLstRspMsg::PostOfficeDisplayMailBoxLstRspMsg() {
    MXR_METHOD_FRAME("PostOfficeDisplayMailBoxLstRspMsg", 0);
}

PostOfficeDisplayMailBoxLstRspMsg::PostOfficeDisplayMailBoxLstRspMsg(const PostOfficeDisplayMailBoxLstReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeDisplayMailBoxLstRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeDisplayMailBoxLstRspMsg::~PostOfficeDisplayMailBoxLstRspMsg() {
    MXR_METHOD_FRAME("~PostOfficeDisplayMailBoxLstRspMsg", 0);
}

int PostOfficeDisplayMailBoxLstRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeDisplayMailBoxLstRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}

BaseMsgPtr& PostOfficeDisplayMailBoxLstRspMsg::GetMsgPtr() {
    MXR_METHOD_FRAME("GetMsgPtr", 0);
    return msgPtr;
}

void PostOfficeDisplayMailBoxLstRspMsg::SetMsgPtr(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SetMsgPtr", 1);
    msgPtr = msg;
}
