// Ask for the listing of the post office's mailboxes.
#pragma once

#include "BaseReqMsg.h"

class PostOfficeDisplayMailBoxLstReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeDisplayMailBoxLstReqMsg, BaseReqMsg);
    MXR_FIELDS();

public:
    // Empty fields (the factory's instance).
    PostOfficeDisplayMailBoxLstReqMsg();
    // From-address: the receiver being dispatched, if any; then the to-address.
    explicit PostOfficeDisplayMailBoxLstReqMsg(const BaseAddrPtr& to);
    ~PostOfficeDisplayMailBoxLstReqMsg() override;
};
MXR_COMPANION_PTR(PostOfficeDisplayMailBoxLstReqMsg);
