#include "PostOfficeCanTalkReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCanTalkReqMsg);

PostOfficeCanTalkReqMsg::PostOfficeCanTalkReqMsg() { MXR_METHOD_FRAME("PostOfficeCanTalkReqMsg", 0); }

PostOfficeCanTalkReqMsg::PostOfficeCanTalkReqMsg(const BaseAddrPtr& to, bStr mBoxName_) : mBoxName(mBoxName_) {
    MXR_METHOD_FRAME("PostOfficeCanTalkReqMsg", 2);
    SetToAddr(to);
}

PostOfficeCanTalkReqMsg::~PostOfficeCanTalkReqMsg() { MXR_METHOD_FRAME("~PostOfficeCanTalkReqMsg", 0); }

bStr PostOfficeCanTalkReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
