#include "PostOfficeSendToMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxReqMsg);

PostOfficeSendToMboxReqMsg::PostOfficeSendToMboxReqMsg() { MXR_METHOD_FRAME("PostOfficeSendToMboxReqMsg", 0); }

PostOfficeSendToMboxReqMsg::PostOfficeSendToMboxReqMsg(const BaseAddrPtr& to, bStr mBoxName_, BaseMsgPtr msg_)
    : mBoxName(mBoxName_), msg(msg_) {
    MXR_METHOD_FRAME("PostOfficeSendToMboxReqMsg", 3);
    SetToAddr(to);
}

PostOfficeSendToMboxReqMsg::~PostOfficeSendToMboxReqMsg() { MXR_METHOD_FRAME("~PostOfficeSendToMboxReqMsg", 0); }

bStr PostOfficeSendToMboxReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}

BaseMsgPtr PostOfficeSendToMboxReqMsg::GetMsg() const {
    MXR_METHOD_FRAME("GetMsg", 0);
    return msg;
}
