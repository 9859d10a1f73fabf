#include "PostOfficeRcvFromMboxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromMboxRspMsg);

PostOfficeRcvFromMboxRspMsg::PostOfficeRcvFromMboxRspMsg() { MXR_METHOD_FRAME("PostOfficeRcvFromMboxRspMsg", 0); }

PostOfficeRcvFromMboxRspMsg::PostOfficeRcvFromMboxRspMsg(const PostOfficeRcvFromMboxReqMsg& req)
    : mBoxName(req.GetMBoxName()) {
    MXR_METHOD_FRAME("PostOfficeRcvFromMboxRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeRcvFromMboxRspMsg::~PostOfficeRcvFromMboxRspMsg() { MXR_METHOD_FRAME("~PostOfficeRcvFromMboxRspMsg", 0); }

int PostOfficeRcvFromMboxRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeRcvFromMboxRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}

BaseMsgPtr& PostOfficeRcvFromMboxRspMsg::GetMsgPtr() {
    MXR_METHOD_FRAME("GetMsgPtr", 0);
    return msgPtr;
}

void PostOfficeRcvFromMboxRspMsg::SetMsgPtr(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SetMsgPtr", 1);
    msgPtr = msg;
}

bStr PostOfficeRcvFromMboxRspMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
