#include "CommAgentMsgRcvrDeleteHostRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrDeleteHostRspMsg, 54);

CommAgentMsgRcvrDeleteHostRspMsg::CommAgentMsgRcvrDeleteHostRspMsg() {
    MXR_METHOD_FRAME("CommAgentMsgRcvrDeleteHostRspMsg", 0);
}

CommAgentMsgRcvrDeleteHostRspMsg::CommAgentMsgRcvrDeleteHostRspMsg(const CommAgentMsgRcvrDeleteHostReqMsg& req) {
    MXR_METHOD_FRAME("CommAgentMsgRcvrDeleteHostRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

CommAgentMsgRcvrDeleteHostRspMsg::~CommAgentMsgRcvrDeleteHostRspMsg() {
    MXR_METHOD_FRAME("~CommAgentMsgRcvrDeleteHostRspMsg", 0);
}

int CommAgentMsgRcvrDeleteHostRspMsg::GetRetVal() const {
    MXR_METHOD_FRAME("GetRetVal", 0);
    return retVal;
}

void CommAgentMsgRcvrDeleteHostRspMsg::SetRetVal(int value) {
    MXR_METHOD_FRAME("SetRetVal", 1);
    retVal = value;
}
