#include "CommAgentMsgRcvrAddHostReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrAddHostReqMsg, 51);

CommAgentMsgRcvrAddHostReqMsg::CommAgentMsgRcvrAddHostReqMsg() { MXR_METHOD_FRAME("CommAgentMsgRcvrAddHostReqMsg", 0); }

CommAgentMsgRcvrAddHostReqMsg::CommAgentMsgRcvrAddHostReqMsg(const BaseAddrPtr& to, const DestHostEntPtr& commPathPtr_)
    : commPathPtr(commPathPtr_) {
    MXR_METHOD_FRAME("CommAgentMsgRcvrAddHostReqMsg", 2);
    SetToAddr(to);
}

CommAgentMsgRcvrAddHostReqMsg::~CommAgentMsgRcvrAddHostReqMsg() {
    MXR_METHOD_FRAME("~CommAgentMsgRcvrAddHostReqMsg", 0);
}

DestHostEntPtr CommAgentMsgRcvrAddHostReqMsg::GetCommPathPtr() const {
    MXR_METHOD_FRAME("GetCommPathPtr", 0);
    return commPathPtr;
}
