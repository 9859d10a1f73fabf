#include "PostOfficeIsHostAliveReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsHostAliveReqMsg);
MXR_CLASS_DEFINE(PostOfficeIsHostAliveRspMsg);
