#include "PostOfficeCanTalkReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeCanTalkReqMsg);
MXR_CLASS_DEFINE(PostOfficeCanTalkRspMsg);
