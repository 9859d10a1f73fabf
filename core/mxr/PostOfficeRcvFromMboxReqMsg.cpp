#include "PostOfficeRcvFromMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromMboxReqMsg);

PostOfficeRcvFromMboxReqMsg::PostOfficeRcvFromMboxReqMsg() { MXR_METHOD_FRAME("PostOfficeRcvFromMboxReqMsg", 0); }

PostOfficeRcvFromMboxReqMsg::PostOfficeRcvFromMboxReqMsg(const BaseAddrPtr& to, bStr mBoxName_, int waitTimer_)
    : mBoxName(mBoxName_), waitTimer(waitTimer_) {
    MXR_METHOD_FRAME("PostOfficeRcvFromMboxReqMsg", 3);
    SetToAddr(to);
}

PostOfficeRcvFromMboxReqMsg::~PostOfficeRcvFromMboxReqMsg() { MXR_METHOD_FRAME("~PostOfficeRcvFromMboxReqMsg", 0); }

bStr PostOfficeRcvFromMboxReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}

int PostOfficeRcvFromMboxReqMsg::GetWaitTimer() const {
    MXR_METHOD_FRAME("GetWaitTimer", 0);
    return waitTimer;
}
