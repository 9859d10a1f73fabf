#include "PostOfficeDisplayMailBoxLstRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeDisplayMailBoxLstRspMsg);
