// The answer to PostOfficeSendToMboxReqMsg.
// retVal: 0 handed to a waiting receiver or queued; 1 no such mailbox (the message is dropped).
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"

class PostOfficeSendToMboxRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeSendToMboxRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeSendToMboxRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeSendToMboxRspMsg(const PostOfficeSendToMboxReqMsg& req);
    ~PostOfficeSendToMboxRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeSendToMboxRspMsg);
