#include "PostOfficeCanTalkRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCanTalkRspMsg);

PostOfficeCanTalkRspMsg::PostOfficeCanTalkRspMsg() { MXR_METHOD_FRAME("PostOfficeCanTalkRspMsg", 0); }

PostOfficeCanTalkRspMsg::PostOfficeCanTalkRspMsg(const PostOfficeCanTalkReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeCanTalkRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeCanTalkRspMsg::~PostOfficeCanTalkRspMsg() { MXR_METHOD_FRAME("~PostOfficeCanTalkRspMsg", 0); }

int PostOfficeCanTalkRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeCanTalkRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
