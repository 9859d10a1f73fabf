#include "PostOfficeRemoveMailBoxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRemoveMailBoxReqMsg);
MXR_CLASS_DEFINE(PostOfficeRemoveMailBoxRspMsg);
