#include "BaseMsg.h"

#include <iostream>

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BaseMsg);

BaseMsg::BaseMsg() { MXR_METHOD_FRAME("BaseMsg", 0); }

BaseMsg::~BaseMsg() { MXR_METHOD_FRAME("~BaseMsg", 0); }

BaseAddrPtr BaseMsg::GetToAddr() const {
    MXR_METHOD_FRAME("GetToAddr", 0);
    return toAddr;
}

void BaseMsg::SetToAddr(const BaseAddrPtr& addr) {
    MXR_METHOD_FRAME("SetToAddr", 1);
    toAddr = addr;
}

BaseAddrPtr BaseMsg::GetFrmAddr() const {
    MXR_METHOD_FRAME("GetFrmAddr", 0);
    return BaseAddrPtr();
}

void BaseMsg::SetFrmAddr(const BaseAddrPtr& addr) {
    MXR_METHOD_FRAME("SetFrmAddr", 1);
    static_cast<void>(addr);
}

BaseMsgRcvr* BaseMsg::GetMsgRcvrAddr() const {
    MXR_METHOD_FRAME("GetMsgRcvrAddr", 0);
    if (toAddr.Ok()) return toAddr->GetMsgRcvrAddr();
    std::cerr << "BaseMsg::GetMsgRcvrAddr - Bad toAddr in msg - returning \"0\"\n" << std::flush;
    return nullptr;
}

BaseMsgPtr BaseMsg::GetMsgPtrForDispatch() {
    MXR_METHOD_FRAME("GetMsgPtrForDispatch", 0);
    return BaseMsgPtr(this);
}
