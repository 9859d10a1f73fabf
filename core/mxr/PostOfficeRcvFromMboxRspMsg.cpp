#include "PostOfficeRcvFromMboxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromMboxRspMsg);
