#include "MxrAdminCreateCommPathReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommPathReqMsg);
MXR_CLASS_DEFINE(MxrAdminCreateCommPathRspMsg);
