#include "PostOfficeSendToMboxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxRspMsg);

PostOfficeSendToMboxRspMsg::PostOfficeSendToMboxRspMsg() { MXR_METHOD_FRAME("PostOfficeSendToMboxRspMsg", 0); }

PostOfficeSendToMboxRspMsg::PostOfficeSendToMboxRspMsg(const PostOfficeSendToMboxReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeSendToMboxRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeSendToMboxRspMsg::~PostOfficeSendToMboxRspMsg() { MXR_METHOD_FRAME("~PostOfficeSendToMboxRspMsg", 0); }

int PostOfficeSendToMboxRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeSendToMboxRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
