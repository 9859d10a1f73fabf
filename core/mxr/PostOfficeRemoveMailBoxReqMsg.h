// Remove a mailbox of the post office.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeRemoveMailBoxReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeRemoveMailBoxReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeRemoveMailBoxReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeRemoveMailBoxReqMsg(const BaseAddrPtr& to, bStr mBoxName_);
    ~PostOfficeRemoveMailBoxReqMsg() override;

    bStr GetMBoxName() const;

private:
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeRemoveMailBoxReqMsg);
