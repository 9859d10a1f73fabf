// Put a message into a mailbox without an answer.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeSendToMboxAsynchReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeSendToMboxAsynchReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("mBoxName", mBoxName), MXR_FIELD("msg", msg));

public:
    // Empty fields (the factory's instance).
    PostOfficeSendToMboxAsynchReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeSendToMboxAsynchReqMsg(const BaseAddrPtr& to, bStr mBoxName_, BaseMsgPtr msg_);
    ~PostOfficeSendToMboxAsynchReqMsg() override;

    bStr GetMBoxName() const;
    BaseMsgPtr GetMsg() const;

private:
    bStr mBoxName;
    BaseMsgPtr msg;
};
MXR_COMPANION_PTR(PostOfficeSendToMboxAsynchReqMsg);
