#include "PostOfficeSendToMboxAsynchRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxAsynchRspMsg);

PostOfficeSendToMboxAsynchRspMsg::PostOfficeSendToMboxAsynchRspMsg() {
    MXR_METHOD_FRAME("PostOfficeSendToMboxAsynchRspMsg", 0);
}

PostOfficeSendToMboxAsynchRspMsg::PostOfficeSendToMboxAsynchRspMsg(const PostOfficeSendToMboxAsynchReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeSendToMboxAsynchRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeSendToMboxAsynchRspMsg::~PostOfficeSendToMboxAsynchRspMsg() {
    MXR_METHOD_FRAME("~PostOfficeSendToMboxAsynchRspMsg", 0);
}

int PostOfficeSendToMboxAsynchRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeSendToMboxAsynchRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
