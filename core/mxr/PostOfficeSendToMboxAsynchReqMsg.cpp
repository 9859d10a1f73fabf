#include "PostOfficeSendToMboxAsynchReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxAsynchReqMsg);

PostOfficeSendToMboxAsynchReqMsg::PostOfficeSendToMboxAsynchReqMsg() {
    MXR_METHOD_FRAME("PostOfficeSendToMboxAsynchReqMsg", 0);
}

PostOfficeSendToMboxAsynchReqMsg::PostOfficeSendToMboxAsynchReqMsg(const BaseAddrPtr& to, bStr mBoxName_,
                                                                   BaseMsgPtr msg_)
    : mBoxName(mBoxName_), msg(msg_) {
    MXR_METHOD_FRAME("PostOfficeSendToMboxAsynchReqMsg", 3);
    SetToAddr(to);
}

PostOfficeSendToMboxAsynchReqMsg::~PostOfficeSendToMboxAsynchReqMsg() {
    MXR_METHOD_FRAME("~PostOfficeSendToMboxAsynchReqMsg", 0);
}

bStr PostOfficeSendToMboxAsynchReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}

BaseMsgPtr PostOfficeSendToMboxAsynchReqMsg::GetMsg() const {
    MXR_METHOD_FRAME("GetMsg", 0);
    return msg;
}
