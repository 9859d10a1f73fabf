// The answer to PostOfficeRcvFromMboxReqMsg.
// retVal: 0 with the message in msgPtr; 1 no such mailbox. Carries the request's
// mailbox name.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeRcvFromMboxReqMsg.h"

class PostOfficeRcvFromMboxRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeRcvFromMboxRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal), MXR_FIELD("msgPtr", msgPtr), MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeRcvFromMboxRspMsg();
    // Addressed to the request's from-address, with its mBoxName; retVal is
    // set by whoever answers.
    explicit PostOfficeRcvFromMboxRspMsg(const PostOfficeRcvFromMboxReqMsg& req);
    ~PostOfficeRcvFromMboxRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);
    // The carried object (null when retVal is not 0).
    BaseMsgPtr& GetMsgPtr();
    void SetMsgPtr(const BaseMsgPtr& msg);
    bStr GetMBoxName() const;

private:
    int retVal = 0;
    BaseMsgPtr msgPtr;
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeRcvFromMboxRspMsg);
