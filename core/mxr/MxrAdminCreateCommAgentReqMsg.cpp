#include "MxrAdminCreateCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommAgentReqMsg);
MXR_CLASS_DEFINE(MxrAdminCreateCommAgentRspMsg);
