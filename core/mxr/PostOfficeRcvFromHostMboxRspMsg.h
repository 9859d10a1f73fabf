// The answer to PostOfficeRcvFromHostMboxReqMsg.
// retVal: 0 with the message in msgPtr; 1 no such mailbox; -1 the host cannot be
// reached. Carries the request's host and mailbox name.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeRcvFromHostMboxReqMsg.h"

class PostOfficeRcvFromHostMboxRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeRcvFromHostMboxRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal), MXR_FIELD("msgPtr", msgPtr), MXR_FIELD("host", host),
               MXR_FIELD("mBoxName", mBoxName));

public:
    // Empty fields (the factory's instance).
    PostOfficeRcvFromHostMboxRspMsg();
    // Addressed to the request's from-address, with its host and mBoxName; retVal is
    // set by whoever answers.
    explicit PostOfficeRcvFromHostMboxRspMsg(const PostOfficeRcvFromHostMboxReqMsg& req);
    ~PostOfficeRcvFromHostMboxRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);
    // The carried object (null when retVal is not 0).
    BaseMsgPtr& GetMsgPtr();
    void SetMsgPtr(const BaseMsgPtr& msg);
    bStr GetHost() const;
    bStr GetMBoxName() const;

private:
    int retVal = 0;
    BaseMsgPtr msgPtr;
    bStr host;
    bStr mBoxName;
};
MXR_COMPANION_PTR(PostOfficeRcvFromHostMboxRspMsg);
