// Create a mailbox of the post office.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeCreateMailBoxReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeCreateMailBoxReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeCreateMailBoxReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeCreateMailBoxReqMsg(const BaseAddrPtr& to, bStr mBoxName_);
    ~PostOfficeCreateMailBoxReqMsg() override;

    bStr GetMBoxName() const;

private:
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeCreateMailBoxReqMsg);
