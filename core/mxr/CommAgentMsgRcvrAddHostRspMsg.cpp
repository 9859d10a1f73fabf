#include "CommAgentMsgRcvrAddHostRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrAddHostRspMsg, 52);

CommAgentMsgRcvrAddHostRspMsg::CommAgentMsgRcvrAddHostRspMsg() { MXR_METHOD_FRAME("CommAgentMsgRcvrAddHostRspMsg", 0); }

CommAgentMsgRcvrAddHostRspMsg::CommAgentMsgRcvrAddHostRspMsg(const CommAgentMsgRcvrAddHostReqMsg& req) {
    MXR_METHOD_FRAME("CommAgentMsgRcvrAddHostRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

CommAgentMsgRcvrAddHostRspMsg::~CommAgentMsgRcvrAddHostRspMsg() {
    MXR_METHOD_FRAME("~CommAgentMsgRcvrAddHostRspMsg", 0);
}

int CommAgentMsgRcvrAddHostRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void CommAgentMsgRcvrAddHostRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
