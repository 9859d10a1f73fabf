#include "MxrAdminDeleteCommPathReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommPathReqMsg);
MXR_CLASS_DEFINE(MxrAdminDeleteCommPathRspMsg);
