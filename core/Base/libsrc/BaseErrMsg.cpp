#include "BaseErrMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BaseErrMsg);

BaseErrMsg::BaseErrMsg() { MXR_METHOD_FRAME("BaseErrMsg", 0); }

BaseErrMsg::BaseErrMsg(const BaseAddrPtr& to) {
    MXR_METHOD_FRAME("BaseErrMsg", 1);
    toAddr = to;
}

BaseErrMsg::~BaseErrMsg() { MXR_METHOD_FRAME("~BaseErrMsg", 0); }
