#include "CommAgentMsgRcvrDeleteHostReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrDeleteHostReqMsg, 53);

CommAgentMsgRcvrDeleteHostReqMsg::CommAgentMsgRcvrDeleteHostReqMsg() {
    MXR_METHOD_FRAME("CommAgentMsgRcvrDeleteHostReqMsg", 0);
}

CommAgentMsgRcvrDeleteHostReqMsg::CommAgentMsgRcvrDeleteHostReqMsg(const BaseAddrPtr& to,
                                                                   const DestHostEntPtr& commPathPtr_)
    : commPathPtr(commPathPtr_) {
    MXR_METHOD_FRAME("CommAgentMsgRcvrDeleteHostReqMsg", 2);
    SetToAddr(to);
}

CommAgentMsgRcvrDeleteHostReqMsg::~CommAgentMsgRcvrDeleteHostReqMsg() {
    MXR_METHOD_FRAME("~CommAgentMsgRcvrDeleteHostReqMsg", 0);
}

DestHostEntPtr CommAgentMsgRcvrDeleteHostReqMsg::GetCommPathPtr() const {
    MXR_METHOD_FRAME("GetCommPathPtr", 0);
    return commPathPtr;
}
