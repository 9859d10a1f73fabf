#include "PostOfficeRcvFromHostMboxRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromHostMboxRspMsg);
