// Take the oldest message of a mailbox, waiting for it only while host can
// be reached: answered -1 at once when it cannot, and later when it drops out
// of reach while the request waits.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeRcvFromHostMboxReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeRcvFromHostMboxReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("host", host), MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeRcvFromHostMboxReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeRcvFromHostMboxReqMsg(const BaseAddrPtr& to, bStr host_, bStr mBoxName_);
    ~PostOfficeRcvFromHostMboxReqMsg() override;

    bStr GetHost() const;
    bStr GetMBoxName() const;

private:
    bStr host;
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeRcvFromHostMboxReqMsg);
