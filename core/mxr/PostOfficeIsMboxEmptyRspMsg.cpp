#include "PostOfficeIsMboxEmptyRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsMboxEmptyRspMsg);

PostOfficeIsMboxEmptyRspMsg::PostOfficeIsMboxEmptyRspMsg() { MXR_METHOD_FRAME("PostOfficeIsMboxEmptyRspMsg", 0); }

PostOfficeIsMboxEmptyRspMsg::PostOfficeIsMboxEmptyRspMsg(const PostOfficeIsMboxEmptyReqMsg& req) {
    MXR_METHOD_FRAME("PostOfficeIsMboxEmptyRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

PostOfficeIsMboxEmptyRspMsg::~PostOfficeIsMboxEmptyRspMsg() { MXR_METHOD_FRAME("~PostOfficeIsMboxEmptyRspMsg", 0); }

int PostOfficeIsMboxEmptyRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void PostOfficeIsMboxEmptyRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
