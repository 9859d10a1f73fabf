#include "PostOfficeRcvFromHostMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromHostMboxReqMsg);
