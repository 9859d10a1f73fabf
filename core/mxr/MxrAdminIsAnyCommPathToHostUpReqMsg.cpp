#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminIsAnyCommPathToHostUpReqMsg);
MXR_CLASS_DEFINE(MxrAdminIsAnyCommPathToHostUpRspMsg);
