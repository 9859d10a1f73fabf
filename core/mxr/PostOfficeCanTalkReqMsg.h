// Ask whether a post office serves a mailbox (the probe of a host's post office).
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeCanTalkReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeCanTalkReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeCanTalkReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeCanTalkReqMsg(const BaseAddrPtr& to, bStr mBoxName_);
    ~PostOfficeCanTalkReqMsg() override;

    bStr GetMBoxName() const;

private:
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeCanTalkReqMsg);
