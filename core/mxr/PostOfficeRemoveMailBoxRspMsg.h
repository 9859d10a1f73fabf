// The answer to PostOfficeRemoveMailBoxReqMsg.
// retVal: 0 always, whether or not the mailbox existed.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeRemoveMailBoxReqMsg.h"

class PostOfficeRemoveMailBoxRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeRemoveMailBoxRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeRemoveMailBoxRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeRemoveMailBoxRspMsg(const PostOfficeRemoveMailBoxReqMsg& req);
    ~PostOfficeRemoveMailBoxRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeRemoveMailBoxRspMsg);
