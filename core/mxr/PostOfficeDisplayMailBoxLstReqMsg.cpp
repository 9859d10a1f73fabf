#include "PostOfficeDisplayMailBoxLstReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeDisplayMailBoxLstReqMsg);
