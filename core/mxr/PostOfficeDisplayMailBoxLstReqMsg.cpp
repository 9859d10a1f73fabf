#include "PostOfficeDisplayMailBoxLstReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeDisplayMailBoxLstReqMsg);

PostOfficeDisplayMailBoxLstReqMsg::PostOfficeDisplayMailBoxLstReqMsg() {
    MXR_METHOD_FRAME("PostOfficeDisplayMailBoxLstReqMsg", 0);
}

PostOfficeDisplayMailBoxLstReqMsg::PostOfficeDisplayMailBoxLstReqMsg(const BaseAddrPtr& to) {
    MXR_METHOD_FRAME("PostOfficeDisplayMailBoxLstReqMsg", 1);
    SetToAddr(to);
}

PostOfficeDisplayMailBoxLstReqMsg::~PostOfficeDisplayMailBoxLstReqMsg() {
    MXR_METHOD_FRAME("~PostOfficeDisplayMailBoxLstReqMsg", 0);
}
