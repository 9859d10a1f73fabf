#include "PostOfficeRcvFromMboxReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeRcvFromMboxReqMsg);
