#include "CommAgentMsgRcvrDeleteHostReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrDeleteHostReqMsg);
MXR_CLASS_DEFINE(CommAgentMsgRcvrDeleteHostRspMsg);
