// The answer to PostOfficeCanTalkReqMsg.
// retVal: 0 the mailbox exists or the name is empty; 1 otherwise.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeCanTalkReqMsg.h"

class PostOfficeCanTalkRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeCanTalkRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeCanTalkRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeCanTalkRspMsg(const PostOfficeCanTalkReqMsg& req);
    ~PostOfficeCanTalkRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeCanTalkRspMsg);
