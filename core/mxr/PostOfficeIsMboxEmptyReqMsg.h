// Ask whether messages wait in a mailbox.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeIsMboxEmptyReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeIsMboxEmptyReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeIsMboxEmptyReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeIsMboxEmptyReqMsg(const BaseAddrPtr& to, bStr mBoxName_);
    ~PostOfficeIsMboxEmptyReqMsg() override;

    bStr GetMBoxName() const;

private:
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeIsMboxEmptyReqMsg);
