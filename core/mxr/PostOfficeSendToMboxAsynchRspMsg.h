// The answer to PostOfficeSendToMboxAsynchReqMsg.
// retVal: Never sent: the asynchronous send has no answer. The class exists for its code.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"

class PostOfficeSendToMboxAsynchRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeSendToMboxAsynchRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeSendToMboxAsynchRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeSendToMboxAsynchRspMsg(const PostOfficeSendToMboxAsynchReqMsg& req);
    ~PostOfficeSendToMboxAsynchRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeSendToMboxAsynchRspMsg);
