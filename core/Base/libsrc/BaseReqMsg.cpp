#include "BaseReqMsg.h"

#include "BaseMsgRcvr.h"
#include "ClassDefine.h"

MXR_CLASS_DEFINE(BaseReqMsg);

BaseReqMsg::BaseReqMsg() {
    MXR_METHOD_FRAME("BaseReqMsg", 0);
    if (BaseMsgRcvr* requester = BaseMsgRcvr::GetCurrentMsgRcvr()) frmAddr = requester->GetAddrPtr();
}

BaseReqMsg::~BaseReqMsg() { MXR_METHOD_FRAME("~BaseReqMsg", 0); }

BaseAddrPtr BaseReqMsg::GetFrmAddr() const {
    MXR_METHOD_FRAME("GetFrmAddr", 0);
    return frmAddr;
}

void BaseReqMsg::SetFrmAddr(const BaseAddrPtr& addr) {
    MXR_METHOD_FRAME("SetFrmAddr", 1);
    frmAddr = addr;
}
