#include "LocalHostReliableMessageHomeReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(LocalHostReliableMessageHomeReqMsg);
MXR_CLASS_DEFINE(LocalHostReliableMessageHomeRspMsg);
