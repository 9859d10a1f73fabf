// A listener asks to be told of path events, giving its template notice
// (addressed to itself). Decoding takes whatever object the pointer names;
// the administrator checks its class.
#pragma once

#include "BaseReqMsg.h"
#include "CommPathStatusMsg.h"

class MxrAdminRegisterCommPathNotifyStatusReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminRegisterCommPathNotifyStatusReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("theMsgPtr", theMsgPtr));

public:
    // Empty fields (the factory's instance).
    MxrAdminRegisterCommPathNotifyStatusReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminRegisterCommPathNotifyStatusReqMsg(const BaseAddrPtr& to, const CommPathStatusMsgPtr& theMsgPtr_);
    ~MxrAdminRegisterCommPathNotifyStatusReqMsg() override;

    CommPathStatusMsgPtr GetTheMsgPtr() const;

private:
    CommPathStatusMsgPtr theMsgPtr;
};
MXR_COMPANION_PTR(MxrAdminRegisterCommPathNotifyStatusReqMsg);
