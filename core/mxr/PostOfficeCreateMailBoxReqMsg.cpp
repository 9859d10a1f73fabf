#include "PostOfficeCreateMailBoxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCreateMailBoxReqMsg);
MXR_CLASS_DEFINE(PostOfficeCreateMailBoxRspMsg);
