// Put a message into a mailbox and have it confirmed.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeSendToMboxReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeSendToMboxReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName), MXR_FIELD("msg", msg));

public:
    // Empty fields (the factory's instance).
    PostOfficeSendToMboxReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeSendToMboxReqMsg(const BaseAddrPtr& to, bStr mBoxName_, BaseMsgPtr msg_);
    ~PostOfficeSendToMboxReqMsg() override;

    bStr GetMBoxName() const;
    BaseMsgPtr GetMsg() const;

private:
    bStr mBoxName;
    BaseMsgPtr msg;
};
MXR_COMPANION_PTR(PostOfficeSendToMboxReqMsg);
