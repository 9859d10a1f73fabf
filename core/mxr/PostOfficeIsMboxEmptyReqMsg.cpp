#include "PostOfficeIsMboxEmptyReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsMboxEmptyReqMsg);
MXR_CLASS_DEFINE(PostOfficeIsMboxEmptyRspMsg);
