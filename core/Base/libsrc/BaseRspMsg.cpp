#include "BaseRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BaseRspMsg);

BaseRspMsg::BaseRspMsg() { MXR_METHOD_FRAME("BaseRspMsg", 0); }

BaseRspMsg::~BaseRspMsg() { MXR_METHOD_FRAME("~BaseRspMsg", 0); }
