#include "CommAgentMsgRcvrAddHostReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommAgentMsgRcvrAddHostReqMsg);
MXR_CLASS_DEFINE(CommAgentMsgRcvrAddHostRspMsg);
