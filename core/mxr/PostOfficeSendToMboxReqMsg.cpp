#include "PostOfficeSendToMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxReqMsg);
MXR_CLASS_DEFINE(PostOfficeSendToMboxRspMsg);
