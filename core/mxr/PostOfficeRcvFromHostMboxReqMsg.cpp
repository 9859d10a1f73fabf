#include "PostOfficeRcvFromHostMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromHostMboxReqMsg);

PostOfficeRcvFromHostMboxReqMsg::PostOfficeRcvFromHostMboxReqMsg() {
    MXR_METHOD_FRAME("PostOfficeRcvFromHostMboxReqMsg", 0);
}

PostOfficeRcvFromHostMboxReqMsg::PostOfficeRcvFromHostMboxReqMsg(const BaseAddrPtr& to, bStr host_, bStr mBoxName_)
    : host(host_), mBoxName(mBoxName_) {
    MXR_METHOD_FRAME("PostOfficeRcvFromHostMboxReqMsg", 3);
    SetToAddr(to);
}

PostOfficeRcvFromHostMboxReqMsg::~PostOfficeRcvFromHostMboxReqMsg() {
    MXR_METHOD_FRAME("~PostOfficeRcvFromHostMboxReqMsg", 0);
}

bStr PostOfficeRcvFromHostMboxReqMsg::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

bStr PostOfficeRcvFromHostMboxReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
