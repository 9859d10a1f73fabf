#include "MxrAdminRegisterCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommAgentReqMsg);
MXR_CLASS_DEFINE(MxrAdminRegisterCommAgentRspMsg);
