#include "GenericTimeoutMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(GenericTimeoutMsg);

GenericTimeoutMsg::GenericTimeoutMsg() { MXR_METHOD_FRAME("GenericTimeoutMsg", 0); }

GenericTimeoutMsg::GenericTimeoutMsg(BaseAddrPtr to) {
    MXR_METHOD_FRAME("GenericTimeoutMsg", 1);
    toAddr = to;
}

GenericTimeoutMsg::~GenericTimeoutMsg() { MXR_METHOD_FRAME("~GenericTimeoutMsg", 0); }
