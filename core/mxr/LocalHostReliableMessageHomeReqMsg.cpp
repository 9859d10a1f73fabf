#include "LocalHostReliableMessageHomeReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(LocalHostReliableMessageHomeReqMsg);

LocalHostReliableMessageHomeReqMsg::LocalHostReliableMessageHomeReqMsg() {
    MXR_METHOD_FRAME("LocalHostReliableMessageHomeReqMsg", 0);
}

LocalHostReliableMessageHomeReqMsg::LocalHostReliableMessageHomeReqMsg(const BaseAddrPtr& to, BaseMsgPtr msg)
    : TheMsg(msg) {
    MXR_METHOD_FRAME("LocalHostReliableMessageHomeReqMsg", 2);
    SetToAddr(to);
}

LocalHostReliableMessageHomeReqMsg::~LocalHostReliableMessageHomeReqMsg() {
    MXR_METHOD_FRAME("~LocalHostReliableMessageHomeReqMsg", 0);
}

BaseMsgPtr LocalHostReliableMessageHomeReqMsg::GetTheMsg() const {
    MXR_METHOD_FRAME("GetTheMsg", 0);
    return TheMsg;
}
