#include "PostOfficeRcvFromHostMboxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromHostMboxRspMsg);

PostOfficeRcvFromHostMboxRspMsg::PostOfficeRcvFromHostMboxRspMsg() {
    MXR_METHOD_FRAME("PostOfficeRcvFromHostMboxRspMsg", 0);
}

PostOfficeRcvFromHostMboxRspMsg::PostOfficeRcvFromHostMboxRspMsg(const PostOfficeRcvFromHostMboxReqMsg& req)
    : host(req.GetHost()), mBoxName(req.GetMBoxName()) {
    MXR_METHOD_FRAME("PostOfficeRcvFromHostMboxRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeRcvFromHostMboxRspMsg::~PostOfficeRcvFromHostMboxRspMsg() {
    MXR_METHOD_FRAME("~PostOfficeRcvFromHostMboxRspMsg", 0);
}

int PostOfficeRcvFromHostMboxRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeRcvFromHostMboxRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}

BaseMsgPtr& PostOfficeRcvFromHostMboxRspMsg::GetMsgPtr() {
    MXR_METHOD_FRAME("GetMsgPtr", 0);
    return msgPtr;
}

void PostOfficeRcvFromHostMboxRspMsg::SetMsgPtr(const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("SetMsgPtr", 1);
    msgPtr = msg;
}

bStr PostOfficeRcvFromHostMboxRspMsg::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

bStr PostOfficeRcvFromHostMboxRspMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
