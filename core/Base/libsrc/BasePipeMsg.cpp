#include "BasePipeMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BasePipeMsg);

BasePipeMsg::BasePipeMsg() { MXR_METHOD_FRAME("BasePipeMsg", 0); }

BasePipeMsg::~BasePipeMsg() { MXR_METHOD_FRAME("~BasePipeMsg", 0); }
