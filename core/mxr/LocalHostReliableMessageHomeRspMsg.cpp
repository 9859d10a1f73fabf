#include "LocalHostReliableMessageHomeRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(LocalHostReliableMessageHomeRspMsg);

LocalHostReliableMessageHomeRspMsg::LocalHostReliableMessageHomeRspMsg() {
    MXR_METHOD_FRAME("LocalHostReliableMessageHomeRspMsg", 0);
}

LocalHostReliableMessageHomeRspMsg::LocalHostReliableMessageHomeRspMsg(const LocalHostReliableMessageHomeReqMsg& req) {
    MXR_METHOD_FRAME("LocalHostReliableMessageHomeRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

LocalHostReliableMessageHomeRspMsg::~LocalHostReliableMessageHomeRspMsg() {
    MXR_METHOD_FRAME("~LocalHostReliableMessageHomeRspMsg", 0);
}

int LocalHostReliableMessageHomeRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return RetVal;
}

void LocalHostReliableMessageHomeRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    RetVal = value;
}
