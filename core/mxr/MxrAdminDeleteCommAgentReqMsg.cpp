#include "MxrAdminDeleteCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommAgentReqMsg);
MXR_CLASS_DEFINE(MxrAdminDeleteCommAgentRspMsg);
