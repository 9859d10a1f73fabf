#include "PostOfficeSendToMboxAsynchReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeSendToMboxAsynchReqMsg);
MXR_CLASS_DEFINE(PostOfficeSendToMboxAsynchRspMsg);
