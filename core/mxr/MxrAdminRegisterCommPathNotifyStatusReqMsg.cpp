#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommPathNotifyStatusReqMsg);
MXR_CLASS_DEFINE(MxrAdminRegisterCommPathNotifyStatusRspMsg);
