// Take the oldest message of a mailbox; on an empty mailbox the request waits
// there until a message arrives. waitTimer travels with it but is not used:
// a waiting receive has no time limit.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeRcvFromMboxReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeRcvFromMboxReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName), MXR_FIELD("waitTimer", waitTimer));

public:
    // Empty fields (the factory's instance).
    PostOfficeRcvFromMboxReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeRcvFromMboxReqMsg(const BaseAddrPtr& to, bStr mBoxName_, int waitTimer_);
    ~PostOfficeRcvFromMboxReqMsg() override;

    bStr GetMBoxName() const;
    int GetWaitTimer() const;

private:
    bStr mBoxName;
    int waitTimer = 0;
};
MXR_COMPANION_PTR(PostOfficeRcvFromMboxReqMsg);
